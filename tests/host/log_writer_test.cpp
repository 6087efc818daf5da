#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "support/fake_log_platform.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The header, the levels a switch or the registry sets, appending and the
// preload log are read in the logs of real starts by the end-to-end tests.
namespace
{
const std::string kLine = "01/02/03 04:05:06 OVWIN ";

class LogWriter : public ::testing::Test
{
  protected:
    void SetUp() override { folder_ = log_state::Reset(); }
    std::string DebugPath() const { return folder_ + "OvwinDebug.log"; }
    std::string ErrorPath() const { return folder_ + "OvwinError.log"; }
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
    OpenLogs(folder_.c_str(), LogSettings());
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

TEST_F(LogWriter, ErrorLinesGoToBothLogsAtTheCurrentDepth)
{
    OpenLogs(folder_.c_str(), log_state::WithDiagnosticSwitch());
    RaiseLogDepth();
    ErrorLog("Failed to open \"%s\"; %s", "x.dll", "[WIN32 0x00000002/C0002] gone");
    EXPECT_EQ(log_state::ReadLines(ErrorPath()),
              std::vector<std::string>{kLine +
                                       "ERROR !!  Failed to open \"x.dll\"; [WIN32 0x00000002/C0002] gone"});
    EXPECT_EQ(Body(), std::vector<std::string>{
                          kLine + "ERROR !!    Failed to open \"x.dll\"; [WIN32 0x00000002/C0002] gone"});
    EXPECT_EQ(ErrorCount, 1u);
}

TEST_F(LogWriter, DepthIndentsNeverGoesBelowZeroAndLevelsGate)
{
    OpenLogs(folder_.c_str(), log_state::WithDiagnosticSwitch());
    LowerLogDepth();
    EXPECT_EQ(LogDepth, 0);
    {
        LogDepthScope step;
        DebugLogText("one deeper");
        LogDepthScope inner;
        DebugLogText("two deeper");
        DebugLogAt(kLogDeveloper, "hidden at the diagnostic level");
    }
    EXPECT_EQ(LogDepth, 0);
    EXPECT_EQ(Body(), (std::vector<std::string>{kLine + "DEBUG       one deeper",
                                                kLine + "DEBUG          two deeper"}));
}

TEST_F(LogWriter, TracesNeedALevelAboveOneAndStandAtTheCallersDepth)
{
    OpenLogs(folder_.c_str(), log_state::WithDiagnosticSwitch());
    {
        FunctionTrace trace("Quiet");
        EXPECT_EQ(LogDepth, 1);
    }
    EXPECT_EQ(Body(), std::vector<std::string>{});

    log_state::Reset();
    OpenLogs(folder_.c_str(), log_state::WithDeveloperSwitch());
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
    OpenLogs(folder_.c_str(), log_state::WithDiagnosticSwitch());
    fake_log_platform::TakeDebuggerOutput();
    fake_log_platform::AttachDebugger(true);
    const std::string longMessage = std::string(80, 'a') + " " + std::string(80, 'b');
    DebugLog("%s", longMessage.c_str());
    ErrorLogText("bad");
    EXPECT_EQ(fake_log_platform::TakeDebuggerOutput(),
              kLine + "DEBUG    " + longMessage + "\n" + kLine + "ERROR !! bad\n");
    EXPECT_EQ(Body().size(), 3u); // the long line is wrapped in the file only
}

TEST_F(LogWriter, TextsAreWrittenAsTheyStandEvenWithConversionsInThem)
{
    OpenLogs(folder_.c_str(), log_state::WithDeveloperSwitch());
    const std::string path = "C:\\Rates %s%n%d\\100%% sure.dat";
    DebugLogText(path.c_str());
    DeveloperLogText(path.c_str());
    ErrorLogText(path.c_str());
    ErrorLogWin32(2, "Copying \"%s\" failed", path.c_str());
    const std::string shown = "C:\\Rates %s%n%d\\100% sure.dat";
    EXPECT_EQ(
        log_state::ReadLines(ErrorPath()),
        (std::vector<std::string>{kLine + "ERROR !!  " + shown, kLine + "ERROR !!  Copying \"" + path +
                                                                    "\" failed; [WIN32 0x00000002/C0002]"}));
    EXPECT_EQ(Body(),
              (std::vector<std::string>{
                  kLine + "DEBUG    " + shown, kLine + "DEBUG X  " + shown, kLine + "ERROR !! " + shown,
                  kLine + "ERROR !! Copying \"" + path + "\" failed; [WIN32 0x00000002/C0002]"}));
    EXPECT_EQ(ErrorCount, 2u);
}
