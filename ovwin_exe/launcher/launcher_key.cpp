#include "launcher/launcher_key.h"

#include "environment/config_locations.h"
#include "foundation/format_buffer.h"

char LauncherKey[kRegistryPathCapacity];

void FormatLauncherKeyPath(char* destination, std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "SOFTWARE\\%s\\Launcher", kCompanyName);
}
