#include "diagnostics/heap_helpers_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "foundation/text_limits.h"

#include <cstring>

bool HeapAllocHlpr(void** pointer, uint64_t size, const char* name)
{
    // Sizes are logged by their low 32 bits.
    const int loggedSize = static_cast<int>(static_cast<uint32_t>(size));
    if (pointer == nullptr)
    {
        if (name != nullptr)
        {
            ErrorLog("HeapAllocHlpr: Pointer to be used for memory allocation for %s is invalid. (nullptr)",
                     name);
        }
        else
        {
            ErrorLogText("HeapAllocHlpr: Pointer to be used for memory allocation is invalid. (nullptr)");
        }
        return false;
    }
    DebugLogAt(kLogDeveloper, "HeapAllocHlpr: Arg pointer = %p (%p).", *pointer, static_cast<void*>(pointer));

    SetLastError(0);
    *pointer = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<SIZE_T>(size));
    if (*pointer != nullptr)
    {
        std::memset(*pointer, 0, static_cast<std::size_t>(size));
        if (name != nullptr)
        {
            DebugLogAt(kLogDeveloper,
                       "HeapAllocHlpr: Allocated %d byte(s) of heap memory for %s at address %p.", loggedSize,
                       name, *pointer);
        }
        else
        {
            DebugLogAt(kLogDeveloper, "HeapAllocHlpr: Allocated %d byte(s) of heap memory at address %p",
                       loggedSize, *pointer);
        }
        return true;
    }

    const DWORD error = GetLastError();
    char description[kErrorTextCapacity];
    FormatErrorString(error, description, sizeof(description));
    if (name != nullptr)
    {
        ErrorLog("HeapAllocHlpr: Failed to allocate heap memory for %s (size requested=%d); %s", name,
                 loggedSize, description);
    }
    else
    {
        ErrorLog("HeapAllocHlpr: Failed to allocate heap memory (size requested=%d); %s", loggedSize,
                 description);
    }
    return false;
}

void HeapFreeHlpr(void** pointer, const char* name)
{
    if (pointer == nullptr)
    {
        DeveloperLogText("HeapFreeHlpr: Arg pointer = nullptr.");
        if (name != nullptr)
        {
            ErrorLog("HeapFreeHlpr: Pointer to allocated memory for %s is invalid. (nullptr)", name);
        }
        else
        {
            ErrorLogText("HeapFreeHlpr: Pointer to allocated memory is invalid. (nullptr)");
        }
        return;
    }
    void* const address = static_cast<void*>(pointer);
    DebugLogAt(kLogDeveloper, "HeapFreeHlpr: Arg pointer = %p (%p).", *pointer, address);

    if (IsReleasedMarker(*pointer))
    {
        if (name != nullptr)
        {
            DebugLogAt(
                kLogDeveloper,
                "HeapFreeHlpr: Allocated memory for %s is already free. (INVALID_HANDLE_VALUE): %p (%p)",
                name, *pointer, address);
        }
        else
        {
            DebugLogAt(kLogDeveloper,
                       "HeapFreeHlpr: Allocated memory is already free. (INVALID_HANDLE_VALUE): %p (%p)",
                       *pointer, address);
        }
        return;
    }

    if (name != nullptr)
    {
        DebugLogAt(kLogDeveloper, "HeapFreeHlpr: Freeing heap allocated memory for %s at address %p (%p)",
                   name, *pointer, address);
    }
    else
    {
        DebugLogAt(kLogDeveloper, "HeapFreeHlpr: Freeing heap allocated memory at address %p (%p)", *pointer,
                   address);
    }
    if (!HeapFree(GetProcessHeap(), 0, *pointer))
    {
        if (name != nullptr)
        {
            ErrorLog(
                "HeapFreeHlpr: Failed to free allocation for %s from default process heap at address %p (%p)",
                name, *pointer, address);
        }
        else
        {
            ErrorLog("HeapFreeHlpr: Failed to free allocation from default process heap at address %p (%p)",
                     *pointer, address);
        }
    }
    // Marked as released even when the heap refused: a second release only logs.
    *pointer = INVALID_HANDLE_VALUE;
}

void CloseAndDestroyHandle(HANDLE* handle, const char* name)
{
    if (*handle != INVALID_HANDLE_VALUE)
    {
        DebugLogAt(kLogDeveloper, "CloseAndDestroyHandle: Closing %s=%p (%p)", name, *handle,
                   static_cast<void*>(handle));
        CloseHandle(*handle);
        *handle = INVALID_HANDLE_VALUE;
    }
    else
    {
        DebugLogAt(kLogDeveloper,
                   "CloseAndDestroyHandle: Handle %s is already free. (INVALID_HANDLE_VALUE): %p (%p)", name,
                   *handle, static_cast<void*>(handle));
    }
}
