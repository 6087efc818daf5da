// Repairs of the configuration locations that fail their checks: each opens
// its location up to Everyone and the Administrators group. They run only
// once the process holds administrator rights.
#pragma once

#include <cstdint>

// How far the registry repair got, recorded as "_icode" in the company key.
enum RegistryRepairStage : uint32_t
{
    kStageKeyExists = 1,             // before Windows 7, or virtualization could not be switched off
    kStageVirtualizationRemoved = 2, // the key's security could not be changed
    kStageSecurityRemoved = 3,       // both steps passed (a step skipped for lack of rights counts)
};

// The stage from the outcome of the two steps, which run only from Windows
// 7 on (the security step only after the virtualization step passed).
[[nodiscard]] uint32_t RegistryRepairStageFor(bool win7OrGreater, bool virtualizationPassed,
                                              int32_t securityResult);

// The launcher's folder, which the registry repair records as
// "LastRunFrom"; handed down by the launcher while it initialises.
void SetLastRunFromFolder(const char* folder);
// The folder's whole buffer, kPathCapacity bytes, the text and the zeros
// after it.
const char* LastRunFromFolder();

// The company key and its "Launcher" subkey: false when the company key
// could not be opened or created.
bool UpdateConfigRegistry();

// The program-data folder.
void UpdateConfigAppData();

// The cache's parent folders and the legacy settings files in it.
void UpdateCacheFolder();

// Creates the folder (its parent must exist) open to Everyone and the
// Administrators group, or merges those grants into an existing folder's
// DACL. True when the folder now exists with the grants; false, without
// anything tried, before Windows 7 and without administrator rights.
bool CreateUnrestrictedFolder(const char* path);
