#include "launcher/launch_plan.h"

#include "foundation/text_limits.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(LaunchPlan, FilesOfTheStartLieInTheCacheOrBesideTheLauncher)
{
    char path[kPathCapacity];
    BuildStartFilePath(true, "C:\\Users\\u\\AppData\\Local\\Oskelt\\Orvanta\\", "C:\\App\\", "verozar1.exe",
                       path, sizeof(path));
    EXPECT_STREQ(path, "C:\\Users\\u\\AppData\\Local\\Oskelt\\Orvanta\\_tcache1\\verozar1.exe");
    BuildStartFilePath(false, "C:\\Cache\\", "C:\\Program Files\\App\\", "instance.t1", path, sizeof(path));
    EXPECT_STREQ(path, "C:\\Program Files\\App\\instance.t1");
}

TEST(LaunchPlan, CommandLineIsTheFirstTokenASpaceAndAsManyWholeCommandsAsFit)
{
    const std::string folder = log_state::Reset();
    OpenLogs(folder.c_str(), log_state::WithDiagnosticSwitch());
    const std::string path(200, 'p');
    const std::string longest(259, 'p');
    const std::string a29(29, 'a');
    const std::string b29(29, 'b');
    const std::string b30(30, 'b');
    struct Row
    {
        std::string token;
        std::vector<const char*> commands;
        std::string line;
        std::string leftOut; // the end of the error line, none when all were passed
    };
    const Row rows[] = {
        {"C:\\Program Files\\App\\ovwin64.exe", {}, "C:\\Program Files\\App\\ovwin64.exe ", ""},
        {"C:\\App\\instance.t1", {"LIST", "ABC"}, "C:\\App\\instance.t1 LIST ABC", ""},
        {path, {a29.c_str(), b29.c_str()}, path + " " + a29 + " " + b29, ""}, // 260 characters
        {path,
         {a29.c_str(), b30.c_str(), "C"},
         path + " " + a29,
         "passing 1 of 3, leaving out \"" + b30 + " C\"."},
        {longest, {"LIST"}, longest + " ", "passing 0 of 1, leaving out \"LIST\"."},
    };
    for (const Row& row : rows)
    {
        log_state::WriteFile(folder + "OvwinError.log", "");
        char line[kLaunchCommandLineCapacity];
        BuildLaunchCommandLine(row.token.c_str(), row.commands.data(),
                               static_cast<uint32_t>(row.commands.size()), line, sizeof(line));
        EXPECT_EQ(line, row.line) << row.line.size();
        const std::vector<std::string> errors = log_state::ReadMessages(folder + "OvwinError.log");
        if (row.leftOut.empty())
        {
            EXPECT_TRUE(errors.empty()) << row.line;
        }
        else
        {
            EXPECT_EQ(errors, std::vector<std::string>{
                                  "ERROR !!  WinMain: The engine commands do not fit in the main "
                                  "program's command line of 260 characters; " +
                                  row.leftOut});
        }
    }
}

TEST(LaunchPlan, ProfileNameIsQuotedForTheLogAndPlainForTheLookUp)
{
    char quoted[kPathCapacity];
    char plain[kPathCapacity];
    BuildProfileFileName("C:\\App\\", quoted, sizeof(quoted));
    EXPECT_STREQ(quoted, "\"C:\\App\\ov_main.ini\"");
    UnquoteProfileFileName(quoted, plain, sizeof(plain));
    EXPECT_STREQ(plain, "C:\\App\\ov_main.ini");
    UnquoteProfileFileName("C:\\bare.ini", plain, sizeof(plain));
    EXPECT_STREQ(plain, "C:\\bare.ini");
}

TEST(LaunchPlan, OnlyTrueInAnyCaseIsTrue)
{
    EXPECT_TRUE(ProfileValueIsTrue("TRUE"));
    EXPECT_TRUE(ProfileValueIsTrue("true"));
    EXPECT_TRUE(ProfileValueIsTrue("tRuE"));
    EXPECT_FALSE(ProfileValueIsTrue("YES"));
    EXPECT_FALSE(ProfileValueIsTrue("TRUE "));
    EXPECT_FALSE(ProfileValueIsTrue(""));
}

TEST(LaunchPlan, OutcomeLineByResultAndErrorCount)
{
    struct Row
    {
        int32_t result;
        uint32_t errors;
        bool errorLine;
        const char* text;
        int32_t exitCode;
    };
    const Row rows[] = {
        {-1, 0, true, "*** Brisel Launch Failed. ***", 110},
        {-1, 1, true, "*** Brisel Launch Failed. There was 1 error during startup. ***", 110},
        {-1, 3, true, "*** Brisel Launch Failed. There were 3 errors during startup. ***", 110},
        {0, 0, false, "*** Brisel Launch Successful. ***", 0},
        {0, 1, false, "*** Brisel Launch Successful. There was 1 non-fatal error during startup. ***", 0},
        {0, 12, false, "*** Brisel Launch Successful. There were 12 non-fatal errors during startup. ***", 0},
    };
    for (const Row& row : rows)
    {
        const LaunchOutcome outcome = ChooseLaunchOutcome(row.result, row.errors);
        EXPECT_EQ(outcome.errorLine, row.errorLine) << row.text;
        EXPECT_EQ(outcome.text, row.text);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << row.text;
    }
}
