#include "environment/dacl_merge_win.h"

namespace
{
// The four generic rights, MAXIMUM_ALLOWED, the standard rights that every
// object knows and all specific rights.
constexpr DWORD kEveryoneKeyRights = 0xF0000000 | MAXIMUM_ALLOWED | STANDARD_RIGHTS_REQUIRED | 0x0000FFFF;
static_assert(kEveryoneKeyRights == 0xF20FFFFF, "the Everyone grant of the company key");

char EveryoneAccountName[] = "Everyone";
} // namespace

MergedAcl MergeIntoDacl(PACL existing, EXPLICIT_ACCESS_A* entries, ULONG count)
{
    MergedAcl merged{ERROR_SUCCESS, LocalMemory<ACL>()};
    merged.Error = SetEntriesInAclA(count, entries, existing, merged.Acl.Receive());
    return merged;
}

EXPLICIT_ACCESS_A EveryoneKeyGrant()
{
    EXPLICIT_ACCESS_A grant = {};
    grant.grfAccessPermissions = kEveryoneKeyRights;
    grant.grfAccessMode = SET_ACCESS;
    grant.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    grant.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    grant.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
    grant.Trustee.ptstrName = EveryoneAccountName;
    return grant;
}
