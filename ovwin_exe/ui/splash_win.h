// The splash window and the status texts it shows.
#pragma once

#include "foundation/text_limits.h"

#include <windows.h>

#include <cstdint>

extern HWND SplashWindow; // null in silent mode and before it is made
extern char StatusText[kMessageCapacity];
extern char SubStatusText[kMessageCapacity];

// Sets the status line (the text is used as a format without arguments),
// repaints the splash when there is one, and logs "UpdateStatus: %s".
void UpdateStatus(const char* text);
// Sets the sub-status line and, for a value above 0, the progress bar;
// logs "UpdateSubStatus: %s".
void UpdateSubStatus(const char* text, int32_t progress);
// Sets the sub-status line to a text shown as it stands (it may name a file
// holding "%"), repaints without moving the bar, and logs it as
// UpdateSubStatus does.
void ShowSubStatusText(const char* text);

// Destroys the splash window if there is one and releases its fonts and
// background picture.
void CloseSplash();

// Makes the fonts, text rectangles and background bitmap the splash paints
// with, and keeps the copyright line it shows (once, while the launcher
// initialises).
void PrepareSplashResources(const char* copyright);

// Creates the splash window from its dialog resource, titles and shows it,
// and records it as SplashWindow. A window that cannot be made is ignored.
void CreateSplashWindow(const char* title);

// The procedure of the replace mode's verify window: it handles nothing, so
// the window shows its caption and one line of text and no more.
INT_PTR CALLBACK VerifyDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
