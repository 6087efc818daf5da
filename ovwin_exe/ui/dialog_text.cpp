#include "ui/dialog_text.h"

#include "diagnostics/log_line.h"
#include "foundation/format_buffer.h"

#include <cstdio>
#include <cstring>

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
