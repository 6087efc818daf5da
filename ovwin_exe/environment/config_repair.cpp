#include "environment/config_repair.h"

#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"

#include <cstring>

namespace
{
char LastRunFrom[kPathCapacity] = "";
} // namespace

uint32_t RegistryRepairStageFor(bool win7OrGreater, bool virtualizationPassed, int32_t securityResult)
{
    if (!win7OrGreater || !virtualizationPassed)
    {
        return kStageKeyExists;
    }
    return securityResult == 1 ? kStageSecurityRemoved : kStageVirtualizationRemoved;
}

void SetLastRunFromFolder(const char* folder)
{
    std::memset(LastRunFrom, 0, sizeof(LastRunFrom));
    CopyToBuffer(LastRunFrom, sizeof(LastRunFrom), folder);
}

const char* LastRunFromFolder()
{
    return LastRunFrom;
}
