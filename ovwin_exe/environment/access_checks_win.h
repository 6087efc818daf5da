// Access checks of one object's security descriptor through the Windows
// authorization API, and the default descriptor that opens an object to
// Everyone and the Administrators group.
#pragma once

#include "environment/access_rights.h"
#include "foundation/win32_owners_win.h"

#include <windows.h>

#include <aclapi.h>

#include <optional>

// The default descriptor and what it is made of; every part is given back
// when the set goes, the descriptor first.
struct SecurityDescriptorSet
{
    AllocatedSid pEveryoneSID;
    AllocatedSid pAdministratorsSID;
    LocalMemory<ACL> pACL;             // full access for both, inherited by folders and files
    ProcessHeapMemory<void> pSD;       // the ACL as DACL, the Administrators group as owner
    EXPLICIT_ACCESS_A Entries[2] = {}; // the entries of pACL, pointing at the SIDs
};

// Nothing when the set could not be built (the reason is in the error log).
[[nodiscard]] std::optional<SecurityDescriptorSet> CreateSecurityDescriptorSet();

// Whether Everyone holds full rights on the object (a file or folder, or a
// registry key), or the launcher's own process on a file or folder.
[[nodiscard]] RightsCheckResult CheckEveryoneRightsInFile(PSECURITY_DESCRIPTOR descriptor);
[[nodiscard]] RightsCheckResult CheckEveryoneRightsInRegistry(PSECURITY_DESCRIPTOR descriptor);
[[nodiscard]] RightsCheckResult CheckInvokerRightsInFile(PSECURITY_DESCRIPTOR descriptor);

// 1 when the launcher's own process holds full rights on the file; 0 when
// not, when the file is missing or its rights cannot be read or checked
// (each reported in the error log), and before Windows 7.
[[nodiscard]] int32_t IsFileUnrestricted(const char* path);

// 1 when the party (Everyone, or else the launcher's own process) holds
// full rights on the folder; 0 otherwise and before Windows 7. Only a
// failed allocation or descriptor read reaches the error log.
[[nodiscard]] int32_t IsFolderUnrestricted(const char* path, bool everyone);
