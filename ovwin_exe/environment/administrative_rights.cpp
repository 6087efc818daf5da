#include "environment/administrative_rights.h"

AdministrativeRightsDecision DecideAdministrativeRights(const SystemInfoRecord& facts)
{
    if (facts.IsAdminInvoked)
    {
        return AdministrativeRightsDecision::Proceed;
    }
    // Elevation through UAC exists from Windows 7 on, with UAC on, for a
    // process that is not elevated already; an elevated process that is
    // still not an administrator cannot gain more.
    if (facts.IsWin7OrGreater && facts.IsUacEnabled && !facts.IsProcessElevated)
    {
        return AdministrativeRightsDecision::AskForElevation;
    }
    return AdministrativeRightsDecision::Refuse;
}
