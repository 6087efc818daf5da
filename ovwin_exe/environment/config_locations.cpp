#include "environment/config_locations.h"

#include "foundation/format_buffer.h"

void FormatCompanyKeyPath(char* destination, std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "SOFTWARE\\%s", kCompanyName);
}
