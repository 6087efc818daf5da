#include "environment/administrative_rights.h"

#include "environment/elevation.h"

bool MayRunAdministrativeStep()
{
    if (!SystemInfoObject.UserLoaded)
    {
        LoadSystemInfoObject();
    }
    switch (DecideAdministrativeRights(SystemInfoObject))
    {
        case AdministrativeRightsDecision::Proceed:
            return true;
        case AdministrativeRightsDecision::AskForElevation:
            return RequestElevatedRights();
        case AdministrativeRightsDecision::Refuse:
        default:
            return false;
    }
}
