#include "diagnostics/error_description.h"

#include "diagnostics/log.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"

#include <windows.h>

#include <cstring>

const char* FormatErrorString(uint32_t code, char* destination, std::size_t capacity, int kind)
{
    std::memset(destination, 0, capacity);
    char tag[kErrorTagCapacity] = "";
    FormatErrorTag(code, tag, kind);

    // The same look-up for every kind: an errno value gets the text of the
    // Win32 code of the same number, an NTSTATUS or HRESULT a text only where
    // the system's message table has one. Inserts are not ignored, so a text
    // that expects arguments is not found either.
    LocalMemory<char> systemText;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    const DWORD length =
        FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(systemText.Receive()), 1, nullptr);
    if (length == 0 || !systemText)
    {
        ErrorLogText("FormatErrorString: Failed to retrieve formatted error description.");
        ComposeErrorDescription(tag, nullptr, destination, capacity);
    }
    else
    {
        ComposeErrorDescription(tag, systemText.Get(), destination, capacity);
    }
    return destination;
}

const char* FormatErrorString(uint32_t code, char* destination, std::size_t capacity)
{
    return FormatErrorString(code, destination, capacity, kErrorKindWin32);
}

const char* FormatErrnoString(int code, char* destination)
{
    return FormatErrorString(static_cast<uint32_t>(code), destination, kErrorTextCapacity, kErrorKindErrno);
}
