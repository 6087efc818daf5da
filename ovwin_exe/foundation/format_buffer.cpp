#include "foundation/format_buffer.h"

#include <cstring>
#include <cwchar>
#include <new>

namespace
{
// What a bounded print into buffer leaves: the result when it fit whole,
// else an empty buffer and -1.
template <typename Char>
int KeepWhole(Char* buffer, std::size_t capacity, int written)
{
    if (written < 0 || static_cast<std::size_t>(written) >= capacity)
    {
        buffer[0] = Char();
        return -1;
    }
    return written;
}

// Where the next character of a plain text starts: "%%" stands for one "%".
const char* NextOfPlainText(const char* p)
{
    return p[0] == '%' && p[1] == '%' ? p + 2 : p + 1;
}
} // namespace

int FormatToBuffer(char* buffer, std::size_t capacity, const char* format, ...)
{
    if (buffer == nullptr || capacity == 0)
    {
        return -1;
    }
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(buffer, capacity, format, arguments);
    va_end(arguments);
    return KeepWhole(buffer, capacity, written);
}

std::string PlainText(const char* text)
{
    std::string plain;
    for (const char* p = text; *p != '\0'; p = NextOfPlainText(p))
    {
        plain += *p;
    }
    return plain;
}

int FormatTextToBuffer(char* buffer, std::size_t capacity, const char* text)
{
    if (buffer == nullptr || capacity == 0)
    {
        return -1;
    }
    std::size_t length = 0;
    for (const char* p = text; *p != '\0'; p = NextOfPlainText(p))
    {
        if (length + 1 >= capacity)
        {
            buffer[0] = '\0';
            return -1;
        }
        buffer[length++] = *p;
    }
    buffer[length] = '\0';
    return static_cast<int>(length);
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
    return KeepWhole(buffer, capacity, written);
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
