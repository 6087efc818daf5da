// The pictures the launcher carries, and drawing the shield with black as
// its transparent colour.
#include "resources/resource_ids.h"
#include "ui/bitmap_mask_win.h"
#include "ui/gdi_owners_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

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
    const GdiObject<HBITMAP> shield(LoadPicture(IDB_ELEVATION_SHIELD));
    ASSERT_TRUE(shield);
    const ScreenDc screen(GetDC(nullptr));
    const MemoryDc picture(CreateCompatibleDC(screen.Get()));
    // The shield's colours, read before the mask is made from it: making the
    // mask must leave them as they are.
    std::vector<COLORREF> colours;
    {
        const GdiSelection shown = SelectInto(picture.Get(), shield.Get());
        for (int i = 0; i < 64 * 64; ++i)
        {
            colours.push_back(GetPixel(picture.Get(), i % 64, i / 64));
        }
    }
    const GdiObject<HBITMAP> mask = CreateBitmapMask(shield.Get());
    ASSERT_TRUE(mask);

    // A canvas of one colour, the shield drawn over it at (8, 8); the
    // canvas's own text and background colours must not matter.
    const COLORREF green = RGB(0x40, 0xA0, 0x40);
    const MemoryDc canvas(CreateCompatibleDC(screen.Get()));
    const GdiObject<HBITMAP> canvasBitmap(CreateCompatibleBitmap(screen.Get(), 80, 80));
    const GdiSelection canvasShown = SelectInto(canvas.Get(), canvasBitmap.Get());
    const GdiObject<HBRUSH> fill(CreateSolidBrush(green));
    const RECT whole = {0, 0, 80, 80};
    FillRect(canvas.Get(), &whole, fill.Get());
    SetTextColor(canvas.Get(), RGB(200, 0, 0));
    SetBkColor(canvas.Get(), RGB(0, 0, 200));
    DrawMaskedBitmap(canvas.Get(), 8, 8, shield.Get(), mask.Get());

    const GdiSelection shown = SelectInto(picture.Get(), shield.Get());
    int transparent = 0;
    int changed = 0;
    int wrong = 0;
    for (int i = 0; i < 64 * 64; ++i)
    {
        const int x = i % 64;
        const int y = i / 64;
        transparent += colours[i] == 0 ? 1 : 0;
        changed += GetPixel(picture.Get(), x, y) != colours[i] ? 1 : 0;
        wrong += GetPixel(canvas.Get(), x + 8, y + 8) != (colours[i] == 0 ? green : colours[i]) ? 1 : 0;
    }
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(transparent, 500);
    EXPECT_LT(transparent, 64 * 64 - 1500);
    EXPECT_EQ(GetPixel(canvas.Get(), 0, 0), green);
}
