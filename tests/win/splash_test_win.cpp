// The splash window as the launcher makes it, opened in the test's own
// process so that its bar and its pixels can be read directly. Its place, and
// a silent start without it, are read by the end-to-end tests.
#include "diagnostics/format_buffer.h"
#include "diagnostics/log.h"
#include "launcher/launcher_identity.h"
#include "resources/resource_ids.h"
#include "support/win_log_fixture.h"
#include "support/window_pixels.h"
#include "ui/splash_win.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace
{
// Bands of the client area (left, top, right, bottom) where the splash
// writes its texts.
constexpr RECT kStatusBand = {0, 160, 550, 186};
constexpr RECT kSubStatusBand = {0, 200, 550, 216};
constexpr RECT kCopyrightBand = {0, 260, 550, 280};

class Splash : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        PrepareSplashResources();
        CreateSplashWindow("Initializing Brisel");
        ASSERT_NE(SplashWindow, nullptr);
        background_ = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH_BACKGROUND));
        ASSERT_NE(background_, nullptr);
    }
    void TearDown() override
    {
        CloseSplash();
        DeleteObject(background_);
        WinLogTest::TearDown();
    }

    static HWND Bar() { return FindWindowExA(SplashWindow, nullptr, PROGRESS_CLASSA, nullptr); }
    static int Position() { return static_cast<int>(SendMessageA(Bar(), PBM_GETPOS, 0, 0)); }
    Pixels Picture() const { return ReadBitmap(background_); }

    HBITMAP background_ = nullptr;
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
    UpdateSubStatus("Backing up \"a.dll\" to C:\\b", 0);
    EXPECT_EQ(Position(), 30);
    EXPECT_STREQ(SubStatusText, "Backing up \"a.dll\" to C:\\b");
    UpdateSubStatus("Below zero", -5);
    EXPECT_EQ(Position(), 30);
    UpdateStatus("Initializing Brisel...");
    EXPECT_EQ(Position(), 30);
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{
                                "DEBUG    UpdateSubStatus: Inspecting operating system environment...",
                                "DEBUG    UpdateSubStatus: Validating Dependencies...",
                                "DEBUG    UpdateSubStatus: Backing up \"a.dll\" to C:\\b",
                                "DEBUG    UpdateSubStatus: Below zero",
                                "DEBUG    UpdateStatus: Initializing Brisel...",
                            }));
}

TEST_F(Splash, TextIsTakenAsAFormatButLoggedAsGiven)
{
    ForgetLines();
    UpdateStatus("100%% done");
    UpdateSubStatus("50%% of %%d", 50);
    EXPECT_STREQ(StatusText, "100% done");
    EXPECT_STREQ(SubStatusText, "50% of %d");
    EXPECT_TRUE(HasDebugLine("DEBUG    UpdateStatus: 100%% done"));
    EXPECT_TRUE(HasDebugLine("DEBUG    UpdateSubStatus: 50%% of %%d"));
}

TEST_F(Splash, TextsArePaintedCentredInTheirRectanglesOverThePicture)
{
    // Initialize reads it from the launcher's version record.
    CopyToBuffer(LauncherVersion.LegalCopyright, sizeof(LauncherVersion.LegalCopyright),
                 "Copyright (C) 2026 Altavy Solutions Inc. All rights reserved.");
    UpdateStatus("Validating Configuration...");
    UpdateSubStatus("Checking for required updates...", 20);
    const Pixels shown = CaptureClient(SplashWindow);
    const Pixels picture = Picture();
    ASSERT_EQ(shown.width, 550);
    ASSERT_EQ(picture.width, 550);

    EXPECT_GT(shown.Differences(picture, kStatusBand), 200);
    EXPECT_GT(shown.Differences(picture, kSubStatusBand), 100);
    EXPECT_GT(shown.Differences(picture, kCopyrightBand), 100);
    // Centred on the rectangles, which run from x 10 to 550.
    for (const RECT& band : {kStatusBand, kSubStatusBand, kCopyrightBand})
    {
        const std::pair<int, int> columns = shown.DifferingColumns(picture, band);
        EXPECT_NEAR((columns.first + columns.second) / 2.0, 280, 4) << band.top;
    }
    // The text is black, drawn without a background box.
    const std::pair<int, int> columns = shown.DifferingColumns(picture, kStatusBand);
    int black = 0;
    for (int x = columns.first; x <= columns.second; ++x)
    {
        for (int y = kStatusBand.top; y < kStatusBand.bottom; ++y)
        {
            black += shown.At(x, y) == 0 ? 1 : 0;
        }
    }
    EXPECT_GT(black, 50);
}

TEST_F(Splash, LongStatusRunsPastTheEdgesOfItsRectangle)
{
    UpdateStatus("Validating Brisel Peripheral Engine files and every other file the launcher knows about");
    const Pixels shown = CaptureClient(SplashWindow);
    const std::pair<int, int> columns = shown.DifferingColumns(Picture(), kStatusBand);
    EXPECT_LT(columns.first, 10);
    EXPECT_EQ(columns.second, 549);
}
