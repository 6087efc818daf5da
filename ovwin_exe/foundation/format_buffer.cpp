#include "foundation/format_buffer.h"

#include <cstring>
#include <cwchar>
#include <new>

int FormatToBufferV(char* buffer, std::size_t capacity, const char* format, va_list arguments)
{
    if (buffer == nullptr || capacity == 0)
    {
        return -1;
    }
    const int written = std::vsnprintf(buffer, capacity, format, arguments);
    if (written < 0 || static_cast<std::size_t>(written) >= capacity)
    {
        buffer[0] = '\0';
        return -1;
    }
    return written;
}

int FormatToBuffer(char* buffer, std::size_t capacity, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int written = FormatToBufferV(buffer, capacity, format, arguments);
    va_end(arguments);
    return written;
}

namespace
{
// A variadic frame without arguments, so that a fixed text can pass as the
// format of FormatToBufferV.
int FormatWithoutArguments(char* buffer, std::size_t capacity, const char* text, ...)
{
    va_list none;
    va_start(none, text);
    const int written = FormatToBufferV(buffer, capacity, text, none);
    va_end(none);
    return written;
}
} // namespace

int FormatTextToBuffer(char* buffer, std::size_t capacity, const char* text)
{
    return FormatWithoutArguments(buffer, capacity, text);
}

int FormatToBufferW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...)
{
    if (buffer == nullptr || capacity == 0)
    {
        return -1;
    }
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vswprintf(buffer, capacity, format, arguments);
    va_end(arguments);
    if (written < 0 || static_cast<std::size_t>(written) >= capacity)
    {
        buffer[0] = L'\0';
        return -1;
    }
    return written;
}

bool AppendToBuffer(char* buffer, std::size_t capacity, const char* source)
{
    if (buffer == nullptr || capacity == 0)
    {
        return false;
    }
    const void* end = std::memchr(buffer, '\0', capacity);
    if (end == nullptr)
    {
        return false;
    }
    const std::size_t used = static_cast<std::size_t>(static_cast<const char*>(end) - buffer);
    return CopyToBuffer(buffer + used, capacity - used, source);
}

bool CopyToBuffer(char* buffer, std::size_t capacity, const char* source)
{
    if (buffer == nullptr || capacity == 0)
    {
        return false;
    }
    const std::size_t length = std::strlen(source);
    const std::size_t kept = length < capacity ? length : capacity - 1;
    std::memcpy(buffer, source, kept);
    buffer[kept] = '\0';
    return kept == length;
}

std::unique_ptr<char[]> FormatWholeMessage(const char* format, va_list arguments)
{
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length < 0)
    {
        return nullptr;
    }
    const std::size_t size = static_cast<std::size_t>(length) + 1;
    std::unique_ptr<char[]> message(new (std::nothrow) char[size]);
    if (message)
    {
        std::vsnprintf(message.get(), size, format, arguments);
    }
    return message;
}
