// The pictures the launcher carries, and drawing the shield with black as
// its transparent colour.
#include "resources/resource_ids.h"
#include "support/window_pixels.h"
#include "ui/bitmap_mask_win.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace
{
const BITMAPINFOHEADER* BitmapHeader(int id)
{
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)); // RT_BITMAP
    HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
    return loaded != nullptr ? static_cast<const BITMAPINFOHEADER*>(LockResource(loaded)) : nullptr;
}

HBITMAP LoadPicture(int id)
{
    return LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}
} // namespace

TEST(Artwork, PicturesAre24BitOfTheirFixedSizes)
{
    const struct
    {
        int id;
        LONG width;
        LONG height;
    } pictures[] = {{IDB_SPLASH_BACKGROUND, 550, 280}, {IDB_ELEVATION_SHIELD, 64, 64}};
    for (const auto& picture : pictures)
    {
        const BITMAPINFOHEADER* header = BitmapHeader(picture.id);
        ASSERT_NE(header, nullptr) << picture.id;
        EXPECT_EQ(header->biWidth, picture.width) << picture.id;
        EXPECT_EQ(header->biHeight < 0 ? -header->biHeight : header->biHeight, picture.height) << picture.id;
        EXPECT_EQ(header->biBitCount, 24) << picture.id;
        EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB)) << picture.id;
    }
}

TEST(Artwork, ShieldIsDrawnWithBlackAsItsTransparentColour)
{
    HBITMAP shield = LoadPicture(IDB_ELEVATION_SHIELD);
    ASSERT_NE(shield, nullptr);
    const Pixels colours = ReadBitmap(shield);
    ASSERT_EQ(colours.width, 64);
    EXPECT_EQ(colours.At(0, 0), 0u);
    EXPECT_EQ(colours.At(63, 63), 0u);
    EXPECT_NE(colours.At(32, 32), 0u);

    HBITMAP mask = CreateBitmapMask(shield);
    ASSERT_NE(mask, nullptr);
    const Pixels maskPixels = ReadBitmap(mask);
    // The colour picture itself is left as it was.
    const Pixels after = ReadBitmap(shield);
    EXPECT_EQ(after.data, colours.data);

    // A canvas of one colour, the shield drawn over it at (8, 8).
    constexpr uint32_t kCanvas = 0x0040A040;
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP canvasBitmap = CreateCompatibleBitmap(screen, 80, 80);
    HGDIOBJ previous = SelectObject(canvas, canvasBitmap);
    HBRUSH fill = CreateSolidBrush(RGB(0x40, 0xA0, 0x40));
    const RECT whole = {0, 0, 80, 80};
    FillRect(canvas, &whole, fill);
    SetTextColor(canvas, RGB(200, 0, 0)); // the drawing must not depend on these
    SetBkColor(canvas, RGB(0, 0, 200));
    DrawMaskedBitmap(canvas, 8, 8, shield, mask);
    SelectObject(canvas, previous);
    const Pixels drawn = ReadBitmap(canvasBitmap);
    DeleteObject(fill);
    DeleteObject(canvasBitmap);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);

    int transparent = 0;
    int wrongMask = 0;
    int wrongDrawing = 0;
    for (int y = 0; y < 64; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            const bool black = colours.At(x, y) == 0;
            wrongMask += maskPixels.At(x, y) != (black ? 0x00FFFFFFu : 0u) ? 1 : 0;
            wrongDrawing += drawn.At(x + 8, y + 8) != (black ? kCanvas : colours.At(x, y)) ? 1 : 0;
            transparent += black ? 1 : 0;
        }
    }
    EXPECT_EQ(wrongMask, 0);
    EXPECT_EQ(wrongDrawing, 0);
    EXPECT_GT(transparent, 500);
    EXPECT_LT(transparent, 64 * 64 - 1500);
    EXPECT_EQ(drawn.At(0, 0), kCanvas);
    DeleteObject(mask);
    DeleteObject(shield);
}
