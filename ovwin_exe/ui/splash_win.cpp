#include "ui/splash_win.h"

#include "diagnostics/format_buffer.h"
#include "diagnostics/log.h"
#include "resources/resource_ids.h"

#include <commctrl.h>

HWND SplashWindow = nullptr;
char StatusText[kMessageCapacity];
char SubStatusText[kMessageCapacity];

namespace
{
HWND ProgressBar = nullptr;
HFONT StatusFont = nullptr;
HFONT SmallFont = nullptr;
HBITMAP SplashBackground = nullptr;
RECT StatusRect;
RECT SubStatusRect;
RECT CopyrightRect;

constexpr int kStatusPoints = 14;
constexpr int kSmallPoints = 8;

HFONT CreateVerdana(int points, int pixelsPerInch)
{
    return CreateFontA(-MulDiv(points, pixelsPerInch, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       ANSI_CHARSET, OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, "Verdana");
}

// The splash window's own painting arrives with its artwork; until then it
// leaves every message to the default handling.
INT_PTR CALLBACK SplashWindowProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

void Repaint(int32_t progress)
{
    if (SplashWindow == nullptr)
    {
        return;
    }
    InvalidateRect(SplashWindow, nullptr, TRUE);
    if (progress > 0 && ProgressBar != nullptr)
    {
        SendMessageA(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
    }
    UpdateWindow(SplashWindow);
}
} // namespace

void PrepareSplashResources()
{
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    SplashWindow = nullptr;
    SmallFont = CreateVerdana(kSmallPoints, pixelsPerInch);
    StatusFont = CreateVerdana(kStatusPoints, pixelsPerInch);
    SetRect(&StatusRect, 10, 160, 550, 180);
    SetRect(&SubStatusRect, 10, 200, 550, 240);
    SetRect(&CopyrightRect, 10, 260, 550, 280);
    SplashBackground = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH_BACKGROUND));
}

void CreateSplashWindow(const char* title)
{
    SplashWindow =
        CreateDialogParamA(GetModuleHandleA(nullptr), "BRISELOV_SPLASH", nullptr, SplashWindowProc, 0);
    if (SplashWindow == nullptr)
    {
        return;
    }
    SetWindowTextA(SplashWindow, title);
    ShowWindow(SplashWindow, SW_SHOW);
}

void UpdateStatus(const char* text)
{
    FormatTextToBuffer(StatusText, sizeof(StatusText), text);
    Repaint(0);
    DebugLog("UpdateStatus: %s", text);
}

void UpdateSubStatus(const char* text, int32_t progress)
{
    FormatTextToBuffer(SubStatusText, sizeof(SubStatusText), text);
    Repaint(progress);
    DebugLog("UpdateSubStatus: %s", text);
}

void CloseSplash()
{
    if (SplashWindow != nullptr)
    {
        DestroyWindow(SplashWindow);
        SplashWindow = nullptr;
    }
    if (SmallFont != nullptr)
    {
        DeleteObject(SmallFont);
        SmallFont = nullptr;
    }
}
