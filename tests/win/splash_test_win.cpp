// The splash window as the launcher makes it, opened in the test's own
// process so that its bar can be read directly: how the texts move it, and
// how they are taken. What the window shows during a start is read on the
// screen by the end-to-end tests.
#include "diagnostics/log.h"
#include "support/win_log_fixture.h"
#include "ui/splash_win.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace
{
class Splash : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        PrepareSplashResources("");
        CreateSplashWindow("Initializing Brisel");
        ASSERT_NE(SplashWindow, nullptr);
    }
    void TearDown() override
    {
        CloseSplash();
        WinLogTest::TearDown();
    }

    static HWND Bar() { return FindWindowExA(SplashWindow, nullptr, PROGRESS_CLASSA, nullptr); }
    static int Position() { return static_cast<int>(SendMessageA(Bar(), PBM_GETPOS, 0, 0)); }
};
} // namespace

TEST_F(Splash, SubStatusMovesTheBarOnlyForValuesAboveZero)
{
    ASSERT_NE(Bar(), nullptr);
    EXPECT_EQ(SendMessageA(Bar(), PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(Position(), 0);
    ForgetLines();
    UpdateSubStatus("Inspecting operating system environment...", 1);
    EXPECT_EQ(Position(), 1);
    UpdateSubStatus("Validating Dependencies...", 30);
    EXPECT_EQ(Position(), 30);
    // A file name is shown as it stands, whatever it holds.
    UpdateSubStatus("Backing up \"a.dll\" to C:\\Rates %s%n%d", 0);
    EXPECT_EQ(Position(), 30);
    EXPECT_STREQ(SubStatusText, "Backing up \"a.dll\" to C:\\Rates %s%n%d");
    UpdateSubStatus("Below zero", -5);
    EXPECT_EQ(Position(), 30);
    UpdateStatus("Initializing Brisel...");
    EXPECT_EQ(Position(), 30);
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{
                                "DEBUG    UpdateSubStatus: Inspecting operating system environment...",
                                "DEBUG    UpdateSubStatus: Validating Dependencies...",
                                "DEBUG    UpdateSubStatus: Backing up \"a.dll\" to C:\\Rates %s%n%d",
                                "DEBUG    UpdateSubStatus: Below zero",
                                "DEBUG    UpdateStatus: Initializing Brisel...",
                            }));
}
