#include "ui/bitmap_mask_win.h"

#include "ui/gdi_owners_win.h"

namespace
{
constexpr COLORREF kTransparentColour = RGB(0, 0, 0);

bool BitmapSize(HBITMAP bitmap, SIZE* size)
{
    BITMAP description = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof(description), &description) == 0)
    {
        return false;
    }
    size->cx = description.bmWidth;
    size->cy = description.bmHeight;
    return true;
}
} // namespace

GdiObject<HBITMAP> CreateBitmapMask(HBITMAP colour)
{
    SIZE size;
    if (!BitmapSize(colour, &size))
    {
        return GdiObject<HBITMAP>();
    }
    GdiObject<HBITMAP> mask(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    const MemoryDc colourDc(CreateCompatibleDC(nullptr));
    const MemoryDc maskDc(CreateCompatibleDC(nullptr));
    if (!mask || !colourDc || !maskDc)
    {
        return GdiObject<HBITMAP>();
    }
    {
        const GdiSelection colourPicture = SelectInto(colourDc.Get(), colour);
        const GdiSelection maskPicture = SelectInto(maskDc.Get(), mask.Get());

        // Copying colour to monochrome turns the source's background colour
        // into 1 and every other colour into 0.
        SetBkColor(colourDc.Get(), kTransparentColour);
        BitBlt(maskDc.Get(), 0, 0, size.cx, size.cy, colourDc.Get(), 0, 0, SRCCOPY);
        BitBlt(colourDc.Get(), 0, 0, size.cx, size.cy, maskDc.Get(), 0, 0, SRCINVERT);
    }
    return mask;
}

void DrawMaskedBitmap(HDC destination, int x, int y, HBITMAP colour, HBITMAP mask)
{
    SIZE size;
    if (!BitmapSize(colour, &size))
    {
        return;
    }
    const MemoryDc source(CreateCompatibleDC(destination));
    if (!source)
    {
        return;
    }
    // The mask's 1 bits must become white and its 0 bits black on the
    // destination, whatever colours its painter had set.
    const COLORREF text = SetTextColor(destination, RGB(0, 0, 0));
    const COLORREF background = SetBkColor(destination, RGB(255, 255, 255));
    {
        const GdiSelection maskPicture = SelectInto(source.Get(), mask);
        BitBlt(destination, x, y, size.cx, size.cy, source.Get(), 0, 0, SRCAND);
        const GdiSelection colourPicture = SelectInto(source.Get(), colour);
        BitBlt(destination, x, y, size.cx, size.cy, source.Get(), 0, 0, SRCPAINT);
    }
    SetTextColor(destination, text);
    SetBkColor(destination, background);
}
