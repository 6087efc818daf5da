#include "ui/dialog_text.h"

#include "diagnostics/format_buffer.h"
#include "diagnostics/log_line.h"

#include <cstdio>
#include <cstring>
#include <new>

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

void BuildErrorBoxText(const char* heading, const char* message, char* destination, std::size_t capacity)
{
    if (FormatToBuffer(destination, capacity, "%s\n\n%s", heading, message) >= 0)
    {
        return;
    }
    // Too long: keep what fits of the message and mark the cut.
    const std::size_t mark = std::strlen(kLogTruncationMark);
    FormatToBuffer(destination, capacity, "%s\n\n", heading);
    const std::size_t used = std::strlen(destination);
    if (used + mark + 1 >= capacity)
    {
        return;
    }
    const std::size_t keep = capacity - 1 - used - mark;
    std::memcpy(destination + used, message, keep);
    std::memcpy(destination + used + keep, kLogTruncationMark, mark + 1);
}
