// Access checks of one object's security descriptor through the Windows
// authorization API, and the default descriptor that opens an object to
// Everyone and the Administrators group.
#pragma once

#include "environment/access_rights.h"

#include <windows.h>

#include <aclapi.h>

// Built by CreateSecurityDescriptorSet, released by
// ReleaseSecurityDescriptorSet (or its owner below).
struct SecurityDescriptorSet
{
    PSID pEveryoneSID;
    PSID pAdministratorsSID;
    PACL pACL;                // full access for both, inherited by folders and files
    PSECURITY_DESCRIPTOR pSD; // the ACL as DACL, the Administrators group as owner
    EXPLICIT_ACCESS_A Entries[2];
};

// On false the set holds nothing to release.
bool CreateSecurityDescriptorSet(SecurityDescriptorSet& set);
// Releases what the set holds and clears its pointers; twice is harmless.
void ReleaseSecurityDescriptorSet(SecurityDescriptorSet& set);

class OwnedSecurityDescriptorSet
{
  public:
    OwnedSecurityDescriptorSet() : set_() {}
    ~OwnedSecurityDescriptorSet() { ReleaseSecurityDescriptorSet(set_); }
    OwnedSecurityDescriptorSet(const OwnedSecurityDescriptorSet&) = delete;
    OwnedSecurityDescriptorSet& operator=(const OwnedSecurityDescriptorSet&) = delete;

    bool Create() { return CreateSecurityDescriptorSet(set_); }
    const SecurityDescriptorSet& Get() const { return set_; }
    void Release() { ReleaseSecurityDescriptorSet(set_); }

  private:
    SecurityDescriptorSet set_;
};

// Whether Everyone holds full rights on the object (a file or folder, or a
// registry key), or the launcher's own process on a file or folder.
RightsCheckResult CheckEveryoneRightsInFile(PSECURITY_DESCRIPTOR descriptor);
RightsCheckResult CheckEveryoneRightsInRegistry(PSECURITY_DESCRIPTOR descriptor);
RightsCheckResult CheckInvokerRightsInFile(PSECURITY_DESCRIPTOR descriptor);
