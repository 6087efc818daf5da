#include "sysinfo/system_report.h"

#include "developer_log_fixture.h"
#include "diagnostics/log.h"
#include "support/log_state.h"
#include "sysinfo/network_address.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
using SystemReport = DeveloperLogTest;

std::string StateText(uint32_t typeWord, bool isDefault)
{
    char text[kMessageCapacity];
    BuildInterfaceStateText(typeWord, isDefault, text, sizeof(text));
    return text;
}

SystemInfoRecord Rights(bool win7, bool localAdmin, bool domainAdmin, bool uac, bool elevated, bool invoked)
{
    SystemInfoRecord record = {};
    std::snprintf(record.UserName, sizeof(record.UserName), "%s", "rater");
    std::snprintf(record.IntegrityLevelName, sizeof(record.IntegrityLevelName), "%s", "Medium");
    record.IsWin7OrGreater = win7;
    record.IsUserLocalAdmin = localAdmin;
    record.IsUserDomainAdmin = domainAdmin;
    record.IsUacEnabled = uac;
    record.IsProcessElevated = elevated;
    record.IsAdminInvoked = invoked;
    return record;
}

std::string Account(const SystemInfoRecord& record)
{
    char sentence[kMessageCapacity];
    BuildAccountSentence(record, sentence, sizeof(sentence));
    return sentence;
}

std::string Process(const SystemInfoRecord& record)
{
    char sentence[kMessageCapacity];
    BuildProcessSentence(record, sentence, sizeof(sentence));
    return sentence;
}
} // namespace

TEST(SystemReportText, IntegrityNamesByLabel)
{
    EXPECT_STREQ(IntegrityLevelName(0x1000), "Low");
    EXPECT_STREQ(IntegrityLevelName(0x1100), "");
    EXPECT_STREQ(IntegrityLevelName(0x2000), "Medium");
    EXPECT_STREQ(IntegrityLevelName(0x2100), "Medium");
    EXPECT_STREQ(IntegrityLevelName(0x3000), "High");
    EXPECT_STREQ(IntegrityLevelName(0x4000), "High");
}

TEST(SystemReportText, InterfaceStateMarks)
{
    EXPECT_EQ(StateText(0, false), "Type/State ");
    EXPECT_EQ(StateText(0x01, true), "Type/State: Default; Primary ");
    EXPECT_EQ(StateText(0, true), "Type/State: Default ");
    EXPECT_EQ(StateText(0xDD, false), "Type/State: Primary; Dynamic; Disconnected; Deleting; Transient ");
    // Bits without a mark, and the high byte, add nothing.
    EXPECT_EQ(StateText(0x0122, false), "Type/State ");
}

TEST(SystemReportText, AccountSentenceByAdministratorFlags)
{
    EXPECT_EQ(Account(Rights(true, true, true, false, false, false)),
              "Executing as \"rater\" who has local and domain administrator rights.");
    EXPECT_EQ(Account(Rights(true, true, false, false, false, false)),
              "Executing as \"rater\" who has local administrator rights.");
    EXPECT_EQ(Account(Rights(true, false, true, false, false, false)),
              "Executing as \"rater\" who has local user rights.");
    EXPECT_EQ(Account(Rights(true, false, false, false, false, false)),
              "Executing as \"rater\" who has local user rights.");
}

TEST(SystemReportText, ProcessSentenceAndNoteByRights)
{
    struct Row
    {
        SystemInfoRecord record;
        const char* sentence;
        bool note;
    };
    const Row rows[] = {
        // An administrator under UAC without elevation: asked to elevate.
        {Rights(true, true, false, true, false, false),
         "Process running non-elevated under UAC invoked as standard user with integrity level \"Medium\".",
         true},
        {Rights(true, false, true, true, false, false),
         "Process running non-elevated under UAC invoked as standard user with integrity level \"Medium\".",
         true},
        // The same user elevated, or UAC off, or no administrator at all.
        {Rights(true, true, false, true, true, true),
         "Process running elevated under UAC invoked as administrator with integrity level \"Medium\".",
         false},
        {Rights(true, true, false, false, false, true),
         "Process running non-elevated without UAC requirements invoked as administrator with integrity "
         "level "
         "\"Medium\".",
         false},
        {Rights(true, false, false, true, false, false),
         "Process running non-elevated under UAC invoked as standard user with integrity level \"Medium\".",
         false},
        {Rights(true, true, false, true, false, true),
         "Process running non-elevated under UAC invoked as administrator with integrity level \"Medium\".",
         false},
        // Before Windows 7 only the invocation counts.
        {Rights(false, true, false, true, false, false), "Process running invoked as standard user", false},
        {Rights(false, true, false, false, false, true), "Process running invoked as administrator", false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.sentence);
        EXPECT_EQ(Process(row.record), row.sentence);
        EXPECT_EQ(AdministratorNoteWanted(row.record), row.note);
    }
}

// The other outcomes are read from a real registry by the Wine tests.
TEST_F(SystemReport, UnreadableUacKeyCountsAsOn)
{
    EXPECT_TRUE(JudgeUacSetting({5, 0, 0}));
    EXPECT_EQ(Lines(),
              std::vector<std::string>{"ERROR !! IsUACEnabled: ERROR: Unable to determine if UAC is active. "
                                       "Unable to access registry key.; [WIN32 0x00000005/C0005]"});
}

TEST_F(SystemReport, HardwareLinesSplitTheRevisionAndNameTheArchitecture)
{
    SystemInfoRecord record = {};
    std::snprintf(record.CpuName, sizeof(record.CpuName), "%s", "Brand CPU @ 3.0GHz");
    std::snprintf(record.ComputerName, sizeof(record.ComputerName), "%s", "WS-7");
    record.SystemInfo = {9, 6, 0x9E0A};
    record.TotalPhysicalBytes = 0x3FFFFFFFFull;
    record.TotalVirtualBytes = 0;
    LogHardwareLines(record);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "DEBUG    Detected CPU: Brand CPU @ 3.0GHz (Level 6 Model 158 Stepping 10)",
                           "DEBUG    Detected Architecture: x86-64",
                           "DEBUG    Detected Memory Capacity: 16383 MB Physical, 0 MB Virtual (approx).",
                           "DEBUG    Detected workstation name: WS-7",
                       }));

    // On ARM64 Windows the x64 launcher runs emulated, and warns.
    Forget();
    record.SystemInfo.ProcessorArchitecture = 12;
    LogHardwareLines(record);
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + 3),
              (std::vector<std::string>{"DEBUG    Detected Architecture: ARM-64",
                                        "DEBUG    WARNING!!! THIS ARCHITECTURE TYPE IS NOT SUPPORTED!"}));
}

TEST_F(SystemReport, TokenFailureLineEndsWithTheDescription)
{
    LogTokenFailure({"IsUserLocalAdmin", "open the process token", 5},
                    "[WIN32 0x00000005/C0005] Access denied.");
    EXPECT_EQ(Lines(),
              std::vector<std::string>{"ERROR !! IsUserLocalAdmin: Failed to open the process token; "
                                       "[WIN32 0x00000005/C0005] Access denied."});
    EXPECT_EQ(ErrorCount, 1u);
}
