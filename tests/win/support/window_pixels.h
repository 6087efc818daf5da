// Pixels of bitmaps, read back for tests of what is drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// A picture, top row first, each pixel 0x00RRGGBB.
struct Pixels
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> data;

    uint32_t At(int x, int y) const { return data[static_cast<std::size_t>(y) * width + x]; }
};

// The bitmap's pixels, as selected into a memory context.
Pixels ReadBitmap(HBITMAP bitmap);
