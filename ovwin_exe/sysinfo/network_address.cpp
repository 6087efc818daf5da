#include "sysinfo/network_address.h"

#include "foundation/format_buffer.h"

#include <cstring>

const char kRouteProbeAddress[] = "8.8.8.8";

namespace
{
struct StateMark
{
    uint32_t bit;
    const char* text;
};

constexpr StateMark kStateMarks[] = {
    {0x01, "Primary; "},  {0x04, "Dynamic; "},   {0x08, "Disconnected; "},
    {0x40, "Deleting; "}, {0x80, "Transient; "},
};
} // namespace

void BuildInterfaceStateText(uint32_t typeWord, bool isDefault, char* destination, std::size_t capacity)
{
    CopyToBuffer(destination, capacity, "Type/State: ");
    if (isDefault)
    {
        AppendToBuffer(destination, capacity, "Default; ");
    }
    for (const StateMark& mark : kStateMarks)
    {
        if ((typeWord & 0xFF & mark.bit) != 0)
        {
            AppendToBuffer(destination, capacity, mark.text);
        }
    }
    // Without any mark this cuts the colon and its space: "Type/State ".
    const std::size_t length = std::strlen(destination);
    if (length >= 2)
    {
        destination[length - 2] = '\0';
        AppendToBuffer(destination, capacity, " ");
    }
}
