#include "ui/window_placement_win.h"

#include "ui/window_placement.h"

void CenterWindow(HWND window)
{
    if (window == nullptr)
    {
        return;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    const long width = rect.right - rect.left;
    const long height = rect.bottom - rect.top;
    const WindowOrigin origin =
        CenteredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
    MoveWindow(window, origin.left, origin.top, width, height, TRUE);
}
