// Logged allocation and release of heap blocks and kernel handles, and the
// owners that make every path release what it took through them.
//
// The helpers take the address of the caller's variable, so they can log
// where the value is held and set it to the released marker
// (INVALID_HANDLE_VALUE) afterwards; a variable holding the marker counts as
// released, and releasing it again only logs "already free".
#pragma once

#include "foundation/owner.h"

#include <windows.h>

#include <cstdint>

[[nodiscard]] bool HeapAllocHlpr(void** pointer, uint64_t size, const char* name);
void HeapFreeHlpr(void** pointer, const char* name);
void CloseAndDestroyHandle(HANDLE* handle, const char* name);

template <typename T>
[[nodiscard]] bool HeapAllocHlpr(T** pointer, uint64_t size, const char* name)
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

// A kernel handle closed with CloseAndDestroyHandle under its name, once,
// on every way out: an owner that never received a handle still goes
// through the helper, which then writes that it is already free. Fill it
// through Receive().
struct LoggedHandleTraits
{
    using Value = HANDLE;
    static constexpr bool kReleaseWhenEmpty = true;

    // Not explicit: an owner is made from the variable's name alone.
    LoggedHandleTraits(const char* variableName) : name(variableName) {}
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    void Release(HANDLE& handle) const { CloseAndDestroyHandle(&handle, name); }

    const char* name;
};
using LoggedHandle = Owner<LoggedHandleTraits>;

// A heap block from HeapAllocHlpr, given back with HeapFreeHlpr under its
// name once, if it was allocated: the heap is never handed the null of a
// failed allocation.
template <typename T>
struct LoggedHeapTraits
{
    using Value = T*;

    LoggedHeapTraits(const char* variableName) : name(variableName) {}
    static T* Empty() { return nullptr; }
    void Release(T*& block) const { HeapFreeHlpr(&block, name); }

    const char* name;
};
template <typename T>
using LoggedHeapBlock = Owner<LoggedHeapTraits<T>>;

// Allocates a zero-filled block of size bytes into the owner's own variable
// under its name; false, with the owner empty, when it cannot be had.
template <typename T>
[[nodiscard]] bool AllocateLogged(LoggedHeapBlock<T>& block, uint64_t size)
{
    return HeapAllocHlpr(block.Receive(), size, block.GetTraits().name);
}
