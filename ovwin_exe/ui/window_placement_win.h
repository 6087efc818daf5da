#pragma once

#include <windows.h>

// Moves the window to the middle of the primary screen, size unchanged.
void CenterWindow(HWND window);
