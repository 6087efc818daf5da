#include "diagnostics/log.h"
#include "launcher/launch_options.h"
#include "launcher/launcher_identity.h"
#include "support/fake_log_platform.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
const std::string kLine = "01/02/03 04:05:06 OVWIN ";

class LogWriter : public ::testing::Test
{
  protected:
    void SetUp() override { folder_ = log_state::Reset(); }
    std::string DebugPath() const { return folder_ + "OvwinDebug.log"; }
    std::string ErrorPath() const { return folder_ + "OvwinError.log"; }
    std::string PreloadPath() const { return folder_ + "OvwinPreload.log"; }
    std::vector<std::string> DebugLines() const { return log_state::ReadLines(DebugPath()); }
    // The debug log without its six header lines.
    std::vector<std::string> Body() const
    {
        std::vector<std::string> lines = DebugLines();
        lines.erase(lines.begin(), lines.begin() + (lines.size() < 6 ? lines.size() : 6));
        return lines;
    }

    std::string folder_;
};
} // namespace

TEST_F(LogWriter, WithoutALevelNothingIsTouchedButErrorsAreCounted)
{
    log_state::WriteFile(DebugPath(), "earlier run\n");
    fake_log_platform::AttachDebugger(true);
    OpenLogs(folder_.c_str());
    EXPECT_FALSE(LogsOpen);
    EXPECT_EQ(ErrorLogPath, folder_ + "OvwinError.log"); // the paths are known all the same
    DebugLog("hidden");
    DebugLogAt(100, "hidden");
    ErrorLog("counted %d", 1);
    ErrorLogText("counted");
    EXPECT_EQ(ErrorCount, 2u);
    EXPECT_EQ(DebugLines(), std::vector<std::string>{"earlier run"});
    EXPECT_FALSE(log_state::FileExists(ErrorPath()));
    EXPECT_EQ(fake_log_platform::TakeDebuggerOutput(), "");
}

TEST_F(LogWriter, DiagnosticLevelWritesTheHeaderAndHidesDeveloperLines)
{
    LaunchOptions.DiagnosticLogging.Set = true;
    LauncherVersion = {1, 2, 3, 4, "Product", "Company", "OVWin Launcher", "(C) Altavy"};
    log_state::WriteFile(DebugPath(), "earlier run\n");
    OpenLogs(folder_.c_str());
    EXPECT_EQ(LogLevel, 1);
    DebugLogAt(100, "developer detail");
    DeveloperLogText("developer text");
    DebugLog("shown %s", "here");
    const std::string rule(119, '-');
    EXPECT_EQ(DebugLines(),
              (std::vector<std::string>{kLine + "DEBUG     ", kLine + "DEBUG    " + rule,
                                        kLine + "DEBUG    OVWin Launcher 64-bit edition v1.2.3.4",
                                        kLine + "DEBUG     ", kLine + "DEBUG    (C) Altavy",
                                        kLine + "DEBUG    " + rule, kLine + "DEBUG    shown here"}));
}

TEST_F(LogWriter, DeveloperLevelTagsItsLines)
{
    LaunchOptions.DeveloperDebugLogging.Set = true;
    OpenLogs(folder_.c_str());
    EXPECT_EQ(LogLevel, 100);
    DebugLogAt(100, "value %d", 7);
    DeveloperLogText("100%% sure");
    EXPECT_EQ(Body(), (std::vector<std::string>{kLine + "DEBUG X  value 7", kLine + "DEBUG X  100% sure"}));
}

TEST_F(LogWriter, RegistryLevelStandsWhenItIsHigherThanTheSwitch)
{
    LogLevel = 5;
    LaunchOptions.DiagnosticLogging.Set = true;
    OpenLogs(folder_.c_str());
    EXPECT_EQ(LogLevel, 5);
    DebugLogAt(5, "level five");
    DebugLogAt(6, "level six");
    EXPECT_EQ(Body(), std::vector<std::string>{kLine + "DEBUG    level five"});
}

TEST_F(LogWriter, ErrorLinesGoToBothLogsAtTheCurrentDepth)
{
    LaunchOptions.DiagnosticLogging.Set = true;
    OpenLogs(folder_.c_str());
    RaiseLogDepth();
    ErrorLog("Failed to open \"%s\"; %s", "x.dll", "[WIN32 0x00000002/C0002] gone");
    EXPECT_EQ(log_state::ReadLines(ErrorPath()),
              std::vector<std::string>{kLine +
                                       "ERROR !!  Failed to open \"x.dll\"; [WIN32 0x00000002/C0002] gone"});
    EXPECT_EQ(Body(), std::vector<std::string>{
                          kLine + "ERROR !!    Failed to open \"x.dll\"; [WIN32 0x00000002/C0002] gone"});
    EXPECT_EQ(ErrorCount, 1u);
}

TEST_F(LogWriter, FreshLogsReplaceOldOnesUnlessAppending)
{
    log_state::WriteFile(ErrorPath(), "old error\n");
    LaunchOptions.DiagnosticLogging.Set = true;
    OpenLogs(folder_.c_str());
    EXPECT_EQ(log_state::ReadLines(ErrorPath()), std::vector<std::string>{});
    EXPECT_EQ(DebugLines().size(), 6u);

    log_state::Reset();
    log_state::WriteFile(ErrorPath(), "old error\n");
    log_state::WriteFile(DebugPath(), "old debug\n");
    LaunchOptions.DiagnosticLogging.Set = true;
    LaunchOptions.AppendLogFiles.Set = true;
    OpenLogs(folder_.c_str());
    EXPECT_EQ(log_state::ReadLines(ErrorPath()), std::vector<std::string>{"old error"});
    ASSERT_EQ(DebugLines().size(), 7u);
    EXPECT_EQ(DebugLines()[0], "old debug");
}

TEST_F(LogWriter, PreloadWritesItsOwnFreshLogAtLevelOneAndKeepsTheErrorLog)
{
    log_state::WriteFile(ErrorPath(), "old error\n");
    log_state::WriteFile(PreloadPath(), "old preload\n");
    LaunchOptions.PreloadMode = 1;
    LaunchOptions.DeveloperDebugLogging.Set = true;
    LaunchOptions.AppendLogFiles.Set = true;
    OpenLogs(folder_.c_str());
    EXPECT_EQ(LogLevel, 1);
    EXPECT_EQ(DebugLogPath, PreloadPath());
    DebugLogAt(100, "not at level one");
    ErrorLogText("new error");
    EXPECT_EQ(log_state::ReadLines(ErrorPath()),
              (std::vector<std::string>{"old error", kLine + "ERROR !!  new error"}));
    const std::vector<std::string> preload = log_state::ReadLines(PreloadPath());
    ASSERT_EQ(preload.size(), 7u);
    EXPECT_EQ(preload[6], kLine + "ERROR !! new error");
    EXPECT_FALSE(log_state::FileExists(DebugPath()));
}

TEST_F(LogWriter, DepthIndentsAndNeverGoesBelowZero)
{
    LaunchOptions.DiagnosticLogging.Set = true;
    OpenLogs(folder_.c_str());
    LowerLogDepth();
    EXPECT_EQ(LogDepth, 0);
    {
        LogDepthScope step;
        DebugLogText("one deeper");
        LogDepthScope inner;
        DebugLogText("two deeper");
    }
    EXPECT_EQ(LogDepth, 0);
    EXPECT_EQ(Body(), (std::vector<std::string>{kLine + "DEBUG       one deeper",
                                                kLine + "DEBUG          two deeper"}));
}

TEST_F(LogWriter, TracesNeedALevelAboveOneAndStandAtTheCallersDepth)
{
    LaunchOptions.DiagnosticLogging.Set = true;
    OpenLogs(folder_.c_str());
    {
        FunctionTrace trace("Quiet");
        EXPECT_EQ(LogDepth, 1);
    }
    EXPECT_EQ(Body(), std::vector<std::string>{});

    log_state::Reset();
    LaunchOptions.DeveloperDebugLogging.Set = true;
    OpenLogs(folder_.c_str());
    {
        FunctionTrace trace("LoadThings");
        BlockTrace block("inner block");
        DebugLog("work");
    }
    EXPECT_EQ(Body(), (std::vector<std::string>{kLine + "DEBUG X  @ LoadThings() {",
                                                kLine + "DEBUG X     # Entered \"inner block\" {",
                                                kLine + "DEBUG          work",
                                                kLine + "DEBUG X     # } Exited \"inner block\"",
                                                kLine + "DEBUG X  @ } LoadThings"}));
}

TEST_F(LogWriter, AttachedDebuggerGetsWholeLinesEachFollowedByANewline)
{
    LaunchOptions.DiagnosticLogging.Set = true;
    OpenLogs(folder_.c_str());
    fake_log_platform::TakeDebuggerOutput();
    fake_log_platform::AttachDebugger(true);
    const std::string longMessage = std::string(80, 'a') + " " + std::string(80, 'b');
    DebugLog("%s", longMessage.c_str());
    ErrorLogText("bad");
    EXPECT_EQ(fake_log_platform::TakeDebuggerOutput(),
              kLine + "DEBUG    " + longMessage + "\n" + kLine + "ERROR !! bad\n");
    EXPECT_EQ(Body().size(), 3u); // the long line is wrapped in the file only
}
