#include "support/security_builder.h"

#include "foundation/win32_owners_win.h"

#include <sddl.h>

#include <cstring>

TestSid TestSid::WellKnown(WELL_KNOWN_SID_TYPE type)
{
    TestSid sid;
    sid.bytes_.resize(SECURITY_MAX_SID_SIZE);
    DWORD size = SECURITY_MAX_SID_SIZE;
    CreateWellKnownSid(type, nullptr, sid.bytes_.data(), &size);
    return sid;
}

TestSid TestSid::ProcessUser()
{
    TestSid sid;
    KernelHandle token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive());
    BYTE buffer[256];
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, buffer, sizeof(buffer), &size);
    const PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    sid.bytes_.assign(static_cast<BYTE*>(user), static_cast<BYTE*>(user) + GetLengthSid(user));
    return sid;
}

TestSid TestSid::FromText(const char* text)
{
    TestSid sid;
    LocalMemory<void> converted;
    ConvertStringSidToSidA(text, converted.Receive());
    BYTE* bytes = static_cast<BYTE*>(converted.Get());
    sid.bytes_.assign(bytes, bytes + GetLengthSid(converted.Get()));
    return sid;
}

TestDescriptor::TestDescriptor(PSID owner) : acl_(1024)
{
    InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor_, owner, FALSE);
    InitializeAcl(reinterpret_cast<PACL>(acl_.data()), static_cast<DWORD>(acl_.size()), ACL_REVISION);
    SetSecurityDescriptorDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(acl_.data()), FALSE);
}

TestDescriptor& TestDescriptor::Allow(PSID sid, ACCESS_MASK mask, BYTE flags)
{
    AddAccessAllowedAceEx(reinterpret_cast<PACL>(acl_.data()), ACL_REVISION, flags, mask, sid);
    return *this;
}

TestDescriptor& TestDescriptor::Deny(PSID sid, ACCESS_MASK mask, BYTE flags)
{
    AddAccessDeniedAceEx(reinterpret_cast<PACL>(acl_.data()), ACL_REVISION, flags, mask, sid);
    return *this;
}

TestDescriptor& TestDescriptor::WithoutDacl()
{
    SetSecurityDescriptorDacl(&descriptor_, FALSE, nullptr, FALSE);
    return *this;
}
