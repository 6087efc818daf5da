// Pictures drawn with black as the transparent colour (the elevation
// dialog's shield).
#pragma once

#include "ui/gdi_owners_win.h"

#include <windows.h>

// A monochrome mask of the colour bitmap: 1 where it is black, 0 elsewhere;
// empty when it cannot be made.
GdiObject<HBITMAP> CreateBitmapMask(HBITMAP colour);

// Draws the colour bitmap at (x, y) leaving the destination visible where
// the mask marks the picture black.
void DrawMaskedBitmap(HDC destination, int x, int y, HBITMAP colour, HBITMAP mask);
