#include "diagnostics/error_description.h"

#include "diagnostics/log.h"
#include "foundation/text_limits.h"

#include <cstring>

int FormatErrorTag(uint32_t code, char* destination, int kind)
{
    const char* format = nullptr;
    switch (kind)
    {
        case kErrorKindWin32:
            format = "[WIN32 0x%08x/C%04d]";
            break;
        case kErrorKindNtStatus:
            format = "[NTSTATUS 0x%08x/C%04d]";
            break;
        case kErrorKindHResult:
            format = "[HRESULT 0x%08x/C%04d]";
            break;
        case kErrorKindErrno:
            format = "[ERRNO 0x%08x/C%04d]";
            break;
        default:
            format = "[0x%08x/C%04d]";
            break;
    }
    const int length = FormatToBuffer(destination, kErrorTagCapacity, format, static_cast<unsigned>(code),
                                      static_cast<int>(code & 0xFFFF));
    return length > 0 ? length : 0;
}

void ComposeErrorDescription(const char* tag, const char* systemText, char* destination, std::size_t capacity)
{
    std::memset(destination, 0, capacity);
    if (systemText != nullptr)
    {
        FormatToBuffer(destination, capacity, "%s %s", tag, systemText);
    }
    else
    {
        FormatToBuffer(destination, capacity, "%s Unknown Error", tag);
    }
}

void ErrorLogWin32(uint32_t code, const char* format, ...)
{
    char tag[kErrorTagCapacity];
    char joined[kMessageCapacity];
    const bool tagged = FormatErrorTag(code, tag, kErrorKindWin32) > 0 && tag[0] != '\0' &&
                        FormatToBuffer(joined, sizeof(joined), "%s; %s", format, tag) > 0;

    va_list arguments;
    va_start(arguments, format);
    // The caller's format is expanded after the tag has been joined to it.
    ErrorLogV(tagged ? joined : format, arguments);
    va_end(arguments);
}
