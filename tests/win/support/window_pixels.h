// Pixels of windows and bitmaps, read back for tests of what is drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

// A picture, top row first, each pixel 0x00RRGGBB.
struct Pixels
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> data;

    uint32_t At(int x, int y) const { return data[static_cast<std::size_t>(y) * width + x]; }
    // How many pixels of the rectangle (clipped to both) differ from other's.
    int Differences(const Pixels& other, RECT area) const;
    // The leftmost and rightmost columns of the rectangle holding a pixel that
    // differs from other's; {-1, -1} when none does.
    std::pair<int, int> DifferingColumns(const Pixels& other, RECT area) const;
};

// What the window's client area shows now.
Pixels CaptureClient(HWND window);
// The bitmap's pixels, as selected into a memory context.
Pixels ReadBitmap(HBITMAP bitmap);

inline int Red(uint32_t pixel)
{
    return static_cast<int>((pixel >> 16) & 0xFF);
}
inline int Green(uint32_t pixel)
{
    return static_cast<int>((pixel >> 8) & 0xFF);
}
inline int Blue(uint32_t pixel)
{
    return static_cast<int>(pixel & 0xFF);
}
