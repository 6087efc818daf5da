#include "support/window_pixels.h"

namespace
{
// Copies width x height pixels of the source context into a top-down 32-bit
// picture.
Pixels Copy(HDC source, int width, int height)
{
    Pixels pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    if (target != nullptr && memory != nullptr)
    {
        HGDIOBJ previous = SelectObject(memory, target);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, previous);
        const uint32_t* first = static_cast<const uint32_t*>(bits);
        pixels.width = width;
        pixels.height = height;
        pixels.data.assign(first, first + static_cast<std::size_t>(width) * height);
        for (uint32_t& pixel : pixels.data)
        {
            pixel &= 0x00FFFFFF;
        }
    }
    if (memory != nullptr)
    {
        DeleteDC(memory);
    }
    if (target != nullptr)
    {
        DeleteObject(target);
    }
    return pixels;
}

} // namespace

Pixels ReadBitmap(HBITMAP bitmap)
{
    BITMAP size = {};
    GetObjectA(bitmap, sizeof(size), &size);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    Pixels pixels = Copy(memory, size.bmWidth, size.bmHeight);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}
