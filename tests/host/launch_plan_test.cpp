#include "launcher/launch_plan.h"

#include "foundation/text_limits.h"

#include <gtest/gtest.h>

TEST(LaunchPlan, FilesOfTheStartLieInTheCacheOrBesideTheLauncher)
{
    char path[kPathCapacity];
    BuildStartFilePath(true, "C:\\Users\\u\\AppData\\Local\\Oskelt\\Orvanta\\", "C:\\App\\", "verozar1.exe",
                       path, sizeof(path));
    EXPECT_STREQ(path, "C:\\Users\\u\\AppData\\Local\\Oskelt\\Orvanta\\_tcache1\\verozar1.exe");
    BuildStartFilePath(false, "C:\\Cache\\", "C:\\Program Files\\App\\", "instance.t1", path, sizeof(path));
    EXPECT_STREQ(path, "C:\\Program Files\\App\\instance.t1");
}

TEST(LaunchPlan, CommandLineIsTheFirstTokenASpaceAndTheCommandsUnquoted)
{
    char line[kPathCapacity];
    BuildLaunchCommandLine("C:\\Program Files\\App\\ovwin64.exe", "", line, sizeof(line));
    EXPECT_STREQ(line, "C:\\Program Files\\App\\ovwin64.exe ");
    BuildLaunchCommandLine("C:\\App\\instance.t1", "LIST ABC", line, sizeof(line));
    EXPECT_STREQ(line, "C:\\App\\instance.t1 LIST ABC");
    BuildLaunchCommandLine(std::string(200, 'p').c_str(), std::string(60, 'c').c_str(), line, sizeof(line));
    EXPECT_STREQ(line, ""); // too long for the buffer: not written rather than cut
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
