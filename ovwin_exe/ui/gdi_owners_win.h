// Owners of GDI objects and device contexts, so that every way out of a
// painting or drawing function gives back what it took.
#pragma once

#include <windows.h>

#include <utility>

// A font or bitmap, deleted when its owner lets it go or is destroyed.
template <typename Handle>
class GdiObject
{
  public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(Handle handle = nullptr)
    {
        if (handle_ != nullptr)
        {
            DeleteObject(handle_);
        }
        handle_ = handle;
    }
    // Hands the object to the caller, who then deletes it.
    Handle Release() { return std::exchange(handle_, nullptr); }

  private:
    Handle handle_ = nullptr;
};

// A memory device context compatible with the given one (or the screen).
class MemoryDc
{
  public:
    explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc()
    {
        if (dc_ != nullptr)
        {
            DeleteDC(dc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HDC dc_;
};

// Objects selected into a device context; the one that was selected first
// goes back in on the way out. A null object is not selected.
class Selection
{
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc) { Select(object); }
    ~Selection()
    {
        if (original_ != nullptr)
        {
            SelectObject(dc_, original_);
        }
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    void Select(HGDIOBJ object)
    {
        if (object == nullptr || dc_ == nullptr)
        {
            return;
        }
        HGDIOBJ previous = SelectObject(dc_, object);
        if (original_ == nullptr)
        {
            original_ = previous;
        }
    }

  private:
    HDC dc_;
    HGDIOBJ original_ = nullptr;
};
