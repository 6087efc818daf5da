// Logged allocation and release of heap blocks and kernel handles, and the
// owners that make every path release what it took.
//
// The helpers take the address of the caller's variable, so they can log
// where the value is held and set it to the released marker
// (INVALID_HANDLE_VALUE) afterwards; a variable holding the marker counts as
// released, and releasing it again only logs "already free".
#pragma once

#include <windows.h>

#include <cstdint>

bool HeapAllocHlpr(void** pointer, uint64_t size, const char* name);
void HeapFreeHlpr(void** pointer, const char* name);
void CloseAndDestroyHandle(HANDLE* handle, const char* name);

template <typename T>
bool HeapAllocHlpr(T** pointer, uint64_t size, const char* name)
{
    return HeapAllocHlpr(reinterpret_cast<void**>(pointer), size, name);
}

template <typename T>
void HeapFreeHlpr(T** pointer, const char* name)
{
    HeapFreeHlpr(reinterpret_cast<void**>(pointer), name);
}

inline bool IsReleasedMarker(const void* value)
{
    return value == INVALID_HANDLE_VALUE;
}

// A kernel handle released with CloseAndDestroyHandle under its name, once:
// by Close() or, failing that, on the way out of the owner's scope. A handle
// that was never filled still goes through the helper, which then logs that
// it is already free.
class OwnedHandle
{
  public:
    explicit OwnedHandle(const char* name) : name_(name) {}
    ~OwnedHandle() { Close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    HANDLE* Receive() { return &handle_; } // for APIs that fill a HANDLE variable
    void Reset(HANDLE handle) { handle_ = handle; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    void Close()
    {
        if (!closed_)
        {
            closed_ = true;
            CloseAndDestroyHandle(&handle_, name_);
        }
    }

  private:
    const char* name_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool closed_ = false;
};

// A heap block from HeapAllocHlpr, released with HeapFreeHlpr under its
// name once: by Free() or on the way out of the owner's scope, if it was
// ever allocated (the heap must not be handed the null of a failed one).
template <typename T>
class OwnedHeapBlock
{
  public:
    explicit OwnedHeapBlock(const char* name) : name_(name) {}
    ~OwnedHeapBlock() { Free(); }
    OwnedHeapBlock(const OwnedHeapBlock&) = delete;
    OwnedHeapBlock& operator=(const OwnedHeapBlock&) = delete;

    bool Allocate(uint64_t size)
    {
        requested_ = true;
        return HeapAllocHlpr(&block_, size, name_);
    }
    T* Get() const { return IsReleasedMarker(block_) ? nullptr : block_; }
    void Free()
    {
        if (requested_ && block_ != nullptr)
        {
            requested_ = false;
            HeapFreeHlpr(&block_, name_);
        }
    }

  private:
    const char* name_;
    T* block_ = nullptr;
    bool requested_ = false;
};
