// The one gate of every step that changes the machine: the configuration
// repairs, the archive's entries, the runtimes and the COM assemblies.
#pragma once

#include "sysinfo/system_info.h"

enum class AdministrativeRightsDecision
{
    Proceed,
    Refuse,
    AskForElevation, // only the elevation request can let the step go on
};

// Whether an administrative step may run, from the user and rights facts.
[[nodiscard]] AdministrativeRightsDecision DecideAdministrativeRights(const SystemInfoRecord& facts);

// True when the calling step may go on. Loads the user facts when they are
// missing, and asks for elevation when that can help: the answer may end
// this process, the elevated copy of the launcher then taking over.
[[nodiscard]] bool MayRunAdministrativeStep();
