#include "environment/config_locations.h"

#include "foundation/format_buffer.h"

void FormatCompanyKeyPath(char* destination, std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "SOFTWARE\\%s", kCompanyName);
}

ConfigRightsDecision DecideConfigRights(const SystemInfoRecord& facts)
{
    if (facts.IsAdminInvoked)
    {
        return ConfigRightsDecision::Proceed;
    }
    // Elevation through UAC exists from Windows 7 on, with UAC on, for a
    // process that is not elevated already; an elevated process that is
    // still not an administrator cannot gain more.
    if (facts.IsWin7OrGreater && facts.IsUacEnabled && !facts.IsProcessElevated)
    {
        return ConfigRightsDecision::AskForElevation;
    }
    return ConfigRightsDecision::Refuse;
}
