// Grants merged into an object's existing DACL: entries for other trustees
// stay as they are, and a trustee's earlier grant is replaced by the new
// one, never doubled.
#pragma once

#include "foundation/win32_owners_win.h"

#include <windows.h>

#include <aclapi.h>

struct MergedAcl
{
    DWORD Error; // ERROR_SUCCESS, or why the entries could not be merged
    LocalMemory<ACL> Acl;
};

[[nodiscard]] MergedAcl MergeIntoDacl(PACL existing, EXPLICIT_ACCESS_A* entries, ULONG count);

// Full access to a registry key for Everyone, named by its account name,
// inherited by its subkeys.
[[nodiscard]] EXPLICIT_ACCESS_A EveryoneKeyGrant();
