#include "launcher/launcher_key.h"

#include "foundation/format_buffer.h"
#include "launcher/launcher_identity.h"

char LauncherKey[kRegistryPathCapacity];

void FormatLauncherKeyPath(char* destination, std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "SOFTWARE\\%s\\Launcher", kCompanyName);
}
