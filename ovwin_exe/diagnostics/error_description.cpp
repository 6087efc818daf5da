#include "diagnostics/error_description.h"

#include "diagnostics/log.h"
#include "foundation/text_limits.h"

#include <cstring>

int FormatErrorTag(uint32_t code, char* destination, int kind)
{
    const char* kindWord = "";
    switch (kind)
    {
        case kErrorKindWin32:
            kindWord = "WIN32 ";
            break;
        case kErrorKindNtStatus:
            kindWord = "NTSTATUS ";
            break;
        case kErrorKindHResult:
            kindWord = "HRESULT ";
            break;
        case kErrorKindErrno:
            kindWord = "ERRNO ";
            break;
        default:
            break;
    }
    const int length = FormatToBuffer(destination, kErrorTagCapacity, "[%s0x%08x/C%04d]", kindWord,
                                      static_cast<unsigned>(code), static_cast<int>(code & 0xFFFF));
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
    va_list arguments;
    va_start(arguments, format);
    const std::unique_ptr<char[]> message = FormatWholeMessage(format, arguments);
    va_end(arguments);
    if (!message)
    {
        ++ErrorCount; // counted all the same; there is no text to write
        return;
    }
    char tag[kErrorTagCapacity];
    if (FormatErrorTag(code, tag, kErrorKindWin32) > 0)
    {
        ErrorLog("%s; %s", message.get(), tag);
    }
    else
    {
        ErrorLog("%s", message.get());
    }
}
