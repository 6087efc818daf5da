// The runtime dependencies of the main program: the Microsoft VC runtime
// (x86, and x64 for the 32-bit edition on 64-bit Windows) and the .NET
// Framework 4.8. Each start reads the registry marks their installers
// leave and runs the installers that the launcher carries in its "redist"
// folder for whatever is missing, passively, with their logs in the cache
// folder. Installing needs administrator rights.
#pragma once

#include "install/runtime_rules.h"

#include <cstdint>

// Reads one of the launcher key's installer options ("VCRuntimeMSIOpts",
// "NetFxMSIOpts") into kInstallerOptionsCapacity bytes; false when there
// is none. The launcher hands in its reader of the key.
using InstallerOptionsReader = bool (*)(const char* valueName, char* destination);

// The step of the standard start. Every failure is logged; the next start
// looks again.
void InstallRedistFiles(InstallerOptionsReader readOptions);

// Whether a runtime's mark says it is installed at 14.21.27702.2 or later.
[[nodiscard]] bool IsRuntime32Installed();
[[nodiscard]] bool IsRuntime64Installed();
[[nodiscard]] bool CheckRuntimeVersion(const char* keyPath);

// Whether the .NET Framework's mark says 4.8 or later is installed.
[[nodiscard]] bool IsNetfx48Installed();
// Whether its installer can run on this system.
[[nodiscard]] bool IsNet48Supported();

// Runs a VC runtime's installer from the source folder (which ends with a
// backslash) with its log in the cache folder (which does not) and waits
// for it. Its exit code is not interpreted: the next start reads the mark.
// Only a failure to start it is reported.
void InstallRuntime(const char* displayName, const char* installerFile, int32_t state,
                    const char* sourceFolder, const char* cacheFolder, InstallerOptionsReader readOptions);
