#include "ui/splash_win.h"

#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "foundation/win32_owners_win.h"
#include "resources/resource_ids.h"
#include "ui/gdi_owners_win.h"
#include "ui/window_placement_win.h"

#include <commctrl.h>

HWND SplashWindow = nullptr;
char StatusText[kMessageCapacity];
char SubStatusText[kMessageCapacity];

namespace
{
HWND ProgressBar = nullptr;
LibraryModule CommonControls;
GdiObject<HFONT> StatusFont;
GdiObject<HFONT> SmallFont;
GdiObject<HBITMAP> SplashBackground;
RECT StatusRect;
RECT SubStatusRect;
RECT CopyrightRect;
char CopyrightText[kNameCapacity];

constexpr int kStatusPoints = 14;
constexpr int kSmallPoints = 8;
constexpr int kPointsPerInch = 72;

// The bar lies in the well the background picture leaves for it.
constexpr int kProgressLeft = 18;
constexpr int kProgressTop = 235;
constexpr int kProgressWidth = 516;
constexpr int kProgressHeight = 16;

// Centred on the rectangle's width, drawn from its top, and allowed to run
// past its edges: a long status stays readable rather than cut.
constexpr UINT kTextFormat = DT_CENTER | DT_NOCLIP;

// The common controls are loaded with the first window rather than imported:
// a silent start shows none, and loading the library registers all its
// window classes and brings the visual styles along (some 18 ms of every
// start under Wine). The manifest still selects version 6.
void RegisterProgressBarClass()
{
    if (!CommonControls)
    {
        CommonControls.Reset(LoadLibraryA("comctl32.dll"));
    }
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const FARPROC address =
        CommonControls ? GetProcAddress(CommonControls.Get(), "InitCommonControlsEx") : nullptr;
    if (address == nullptr)
    {
        return;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    // Through the generic function type, which every compiler lets pass.
    reinterpret_cast<InitFunction>(reinterpret_cast<void (*)()>(address))(&controls);
}

HFONT CreateVerdana(int points, int pixelsPerInch)
{
    return CreateFontA(-MulDiv(points, pixelsPerInch, kPointsPerInch), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                       FALSE, ANSI_CHARSET, OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, "Verdana");
}

bool BackgroundSize(SIZE* size)
{
    BITMAP description = {};
    if (!SplashBackground || GetObjectA(SplashBackground.Get(), sizeof(description), &description) == 0)
    {
        return false;
    }
    size->cx = description.bmWidth;
    size->cy = description.bmHeight;
    return true;
}

// The template's dialog units match the picture's pixels only for the
// standard font at 96 dots per inch (Wine's stand-in font is wider). The
// texts and the bar are placed in pixels, so the window takes the
// picture's own size; without a picture it keeps the template's.
void FitToBackground(HWND splash)
{
    SIZE picture;
    RECT frame;
    RECT client;
    if (!BackgroundSize(&picture) || !GetWindowRect(splash, &frame) || !GetClientRect(splash, &client))
    {
        return;
    }
    const int width = picture.cx + (frame.right - frame.left) - client.right;
    const int height = picture.cy + (frame.bottom - frame.top) - client.bottom;
    MoveWindow(splash, frame.left, frame.top, width, height, FALSE);
}

void CreateProgressBar(HWND splash)
{
    ProgressBar = CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH,
                                  kProgressLeft, kProgressTop, kProgressWidth, kProgressHeight, splash,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
}

void DrawLine(HDC dc, const char* text, RECT rect)
{
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &rect, kTextFormat);
}

// Whatever could not be made at start-up is left out: without the picture
// the dialog's own face shows, without the fonts the context's default one.
void PaintSplash(HWND splash)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(splash, &paint);
    if (dc == nullptr)
    {
        return;
    }
    SIZE size;
    const MemoryDc picture(CreateCompatibleDC(dc));
    if (BackgroundSize(&size) && picture)
    {
        const GdiSelection background = SelectInto(picture.Get(), SplashBackground.Get());
        BitBlt(dc, 0, 0, size.cx, size.cy, picture.Get(), 0, 0, SRCCOPY);
    }
    {
        const GdiSelection statusFont = SelectInto(dc, StatusFont.Get());
        DrawLine(dc, StatusText, StatusRect);
        const GdiSelection smallFont = SelectInto(dc, SmallFont.Get());
        DrawLine(dc, SubStatusText, SubStatusRect);
        DrawLine(dc, CopyrightText, CopyrightRect);
    }
    EndPaint(splash, &paint);
}

// Answers every message with 0 so that the dialog manager still does its
// own handling (erasing, the default painting of what is left) afterwards.
INT_PTR CALLBACK SplashWindowProc(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
    {
        FitToBackground(window);
        CenterWindow(window);
        CreateProgressBar(window);
    }
    else if (message == WM_PAINT)
    {
        PaintSplash(window);
    }
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

INT_PTR CALLBACK VerifyDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

void PrepareSplashResources(const char* copyright)
{
    CopyToBuffer(CopyrightText, sizeof(CopyrightText), copyright);
    const int pixelsPerInch = GetDeviceCaps(ScreenDc(GetDC(nullptr)).Get(), LOGPIXELSY);
    SplashWindow = nullptr;
    SmallFont.Reset(CreateVerdana(kSmallPoints, pixelsPerInch));
    StatusFont.Reset(CreateVerdana(kStatusPoints, pixelsPerInch));
    SetRect(&StatusRect, 10, 160, 550, 180);
    SetRect(&SubStatusRect, 10, 200, 550, 240);
    SetRect(&CopyrightRect, 10, 260, 550, 280);
    SplashBackground.Reset(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH_BACKGROUND)));
}

void CreateSplashWindow(const char* title)
{
    RegisterProgressBarClass();
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

void ShowSubStatusText(const char* text)
{
    CopyToBuffer(SubStatusText, sizeof(SubStatusText), text);
    Repaint(0);
    DebugLog("UpdateSubStatus: %s", text);
}

void CloseSplash()
{
    if (SplashWindow != nullptr)
    {
        DestroyWindow(SplashWindow);
        SplashWindow = nullptr;
        ProgressBar = nullptr;
    }
    CommonControls.Reset();
    SmallFont.Reset();
    StatusFont.Reset();
    SplashBackground.Reset();
}
