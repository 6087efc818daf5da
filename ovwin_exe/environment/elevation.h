// Administrator rights through User Account Control for the steps that need
// them.
#pragma once

// True when the caller may go on with an administrative step. May end the
// process: the elevated copy of the launcher then takes over.
[[nodiscard]] bool RequestElevatedRights();
