// Owners of GDI objects, memory device contexts and selections, so that
// every way out of a painting or drawing function gives back what it took.
#pragma once

#include "foundation/win32_owners_win.h"

#include <windows.h>

// A font or bitmap, deleted when its owner lets it go.
template <typename Handle>
using GdiObject = Owner<NullEmptyTraits<Handle, DeleteObject>>;

// A memory device context, from CreateCompatibleDC.
using MemoryDc = Owner<NullEmptyTraits<HDC, DeleteDC>>;

// The screen's device context, from GetDC(nullptr).
inline void ReleaseScreenDc(HDC dc)
{
    ReleaseDC(nullptr, dc);
}
using ScreenDc = Owner<NullEmptyTraits<HDC, ReleaseScreenDc>>;

// What an object replaced in a device context, selected back in when the
// owner goes.
struct SelectionTraits
{
    using Value = HGDIOBJ;
    static HGDIOBJ Empty() { return nullptr; }
    void Release(HGDIOBJ previous) const { SelectObject(dc, previous); }

    HDC dc;
};
using GdiSelection = Owner<SelectionTraits>;

// Selects the object into the context for as long as the owner lives. A
// null object (one that could not be made) or context selects nothing.
inline GdiSelection SelectInto(HDC dc, HGDIOBJ object)
{
    return GdiSelection(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr,
                        SelectionTraits{dc});
}
