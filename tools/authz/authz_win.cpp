// A stand-in for the system's authorization library, for running the
// launcher's access checks under Wine, whose own library answers every call
// with "not implemented". It knows resource managers, client contexts made
// from a SID or a token, and access checks of one object against its DACL.
// It evaluates the DACL itself: Wine's AccessCheck refuses descriptors
// without a group, and the launcher reads file descriptors without one.
//
// Not supported (the calls fail with ERROR_NOT_SUPPORTED or ignore them):
// object type lists, additional descriptors, audits, cached results,
// callback and object ACEs, restricted SIDs, privileges, integrity labels.
// Generic rights in ACEs are mapped as for files, whose full mask also
// holds every right of a registry key.
#define _AUTHZ_
#include <windows.h>

#include <authz.h>

#include <memory>
#include <new>
#include <vector>

namespace
{
constexpr DWORD kManagerTag = 0x4D525A41; // "AZRM"
constexpr DWORD kContextTag = 0x43435A41; // "AZCC"

GENERIC_MAPPING kFileMapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};

// Rights an ACE can never hand out by itself.
constexpr ACCESS_MASK kNeverGrantedByAces = MAXIMUM_ALLOWED | ACCESS_SYSTEM_SECURITY;

struct ResourceManager
{
    DWORD tag;
};

struct ClientSid
{
    std::vector<BYTE> sid;
    bool allows; // matches access-allowed entries
    bool denies; // matches access-denied entries
};

struct ClientContext
{
    DWORD tag;
    std::vector<ClientSid> sids;
};

bool AddSid(ClientContext& context, PSID sid, bool allows)
{
    if (sid == nullptr || !IsValidSid(sid))
    {
        return false;
    }
    ClientSid entry;
    entry.sid.resize(GetLengthSid(sid));
    if (!CopySid(static_cast<DWORD>(entry.sid.size()), entry.sid.data(), sid))
    {
        return false;
    }
    entry.allows = allows;
    entry.denies = true;
    context.sids.push_back(std::move(entry));
    return true;
}

// A token group or user takes part by its attributes: enabled ones in every
// entry, deny-only ones only in access-denied entries.
bool AddTokenSid(ClientContext& context, const SID_AND_ATTRIBUTES& entry)
{
    const bool denyOnly = (entry.Attributes & SE_GROUP_USE_FOR_DENY_ONLY) != 0;
    const bool enabled = (entry.Attributes & SE_GROUP_ENABLED) != 0;
    if (!denyOnly && !enabled)
    {
        return true;
    }
    return AddSid(context, entry.Sid, !denyOnly);
}

std::vector<BYTE> ReadTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind)
{
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetTokenInformation(token, kind, data.data(), size, &size))
    {
        data.clear();
    }
    return data;
}

ClientContext* ContextOf(AUTHZ_CLIENT_CONTEXT_HANDLE handle)
{
    ClientContext* context = reinterpret_cast<ClientContext*>(handle);
    return context != nullptr && context->tag == kContextTag ? context : nullptr;
}

bool ValidManager(AUTHZ_RESOURCE_MANAGER_HANDLE handle)
{
    const ResourceManager* manager = reinterpret_cast<const ResourceManager*>(handle);
    return manager != nullptr && manager->tag == kManagerTag;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

BOOL HandOut(std::unique_ptr<ClientContext> context, PAUTHZ_CLIENT_CONTEXT_HANDLE result)
{
    context->tag = kContextTag;
    *result = reinterpret_cast<AUTHZ_CLIENT_CONTEXT_HANDLE>(context.release());
    return TRUE;
}

bool WellKnown(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    return IsWellKnownSid(sid, type) != FALSE;
}

// What the client makes of one entry's SID: the owner also stands for
// OWNER RIGHTS, and the request's principal-self SID for PRINCIPAL SELF.
struct Matcher
{
    const ClientContext& client;
    bool isOwner;
    PSID principalSelf;

    bool Matches(PSID aceSid, bool allowEntry) const
    {
        if (isOwner && WellKnown(aceSid, WinCreatorOwnerRightsSid))
        {
            return true;
        }
        if (principalSelf != nullptr && WellKnown(aceSid, WinSelfSid))
        {
            aceSid = principalSelf;
        }
        for (const ClientSid& held : client.sids)
        {
            if ((allowEntry ? held.allows : held.denies) &&
                EqualSid(aceSid, const_cast<BYTE*>(held.sid.data())))
            {
                return true;
            }
        }
        return false;
    }
};

bool IsOwnerOf(const ClientContext& client, PSID owner)
{
    if (owner == nullptr)
    {
        return false;
    }
    for (const ClientSid& held : client.sids)
    {
        if (held.allows && EqualSid(owner, const_cast<BYTE*>(held.sid.data())))
        {
            return true;
        }
    }
    return false;
}

// The entries that decide access: allowed and denied ones for the object
// itself (inherit-only entries serve only children).
bool Effective(const ACE_HEADER* header)
{
    return (header->AceFlags & INHERIT_ONLY_ACE) == 0 &&
           (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE);
}

bool HasOwnerRightsEntry(PACL dacl)
{
    for (DWORD i = 0; i < dacl->AceCount; ++i)
    {
        void* entry = nullptr;
        if (GetAce(dacl, i, &entry) && Effective(static_cast<ACE_HEADER*>(entry)) &&
            WellKnown(&static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart, WinCreatorOwnerRightsSid))
        {
            return true;
        }
    }
    return false;
}

// The most the client may do: every right an entry allows before another
// entry denies it, walking the entries in order.
ACCESS_MASK MaximumAccess(const ClientContext& client, PSECURITY_DESCRIPTOR descriptor, PSID principalSelf)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    if (!present || dacl == nullptr)
    {
        return FILE_ALL_ACCESS; // no DACL: nothing is kept from anybody
    }
    PSID owner = nullptr;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    const bool isOwner = IsOwnerOf(client, owner);

    ACCESS_MASK granted = 0;
    ACCESS_MASK denied = 0;
    // An owner may always read and change the DACL, unless the DACL says
    // otherwise through OWNER RIGHTS entries.
    if (isOwner && !HasOwnerRightsEntry(dacl))
    {
        granted = READ_CONTROL | WRITE_DAC;
    }
    const Matcher matcher = {client, isOwner, principalSelf};
    for (DWORD i = 0; i < dacl->AceCount; ++i)
    {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry) || !Effective(static_cast<ACE_HEADER*>(entry)))
        {
            continue;
        }
        const ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        const bool allowEntry = ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE;
        if (!matcher.Matches(const_cast<DWORD*>(&ace->SidStart), allowEntry))
        {
            continue;
        }
        ACCESS_MASK mask = ace->Mask;
        MapGenericMask(&mask, &kFileMapping);
        mask &= ~kNeverGrantedByAces;
        if (allowEntry)
        {
            granted |= mask & ~denied;
        }
        else
        {
            denied |= mask & ~granted;
        }
    }
    return granted;
}
} // namespace

extern "C"
{

    BOOL WINAPI AuthzInitializeResourceManager(DWORD, PFN_AUTHZ_DYNAMIC_ACCESS_CHECK,
                                               PFN_AUTHZ_COMPUTE_DYNAMIC_GROUPS,
                                               PFN_AUTHZ_FREE_DYNAMIC_GROUPS, PCWSTR,
                                               PAUTHZ_RESOURCE_MANAGER_HANDLE result)
    {
        if (result == nullptr)
        {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        ResourceManager* manager = new (std::nothrow) ResourceManager{kManagerTag};
        if (manager == nullptr)
        {
            return Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
        *result = reinterpret_cast<AUTHZ_RESOURCE_MANAGER_HANDLE>(manager);
        return TRUE;
    }

    BOOL WINAPI AuthzFreeResourceManager(AUTHZ_RESOURCE_MANAGER_HANDLE handle)
    {
        if (!ValidManager(handle))
        {
            return Fail(ERROR_INVALID_HANDLE);
        }
        ResourceManager* manager = reinterpret_cast<ResourceManager*>(handle);
        manager->tag = 0;
        delete manager;
        return TRUE;
    }

    BOOL WINAPI AuthzInitializeContextFromSid(DWORD flags, PSID userSid,
                                              AUTHZ_RESOURCE_MANAGER_HANDLE manager, PLARGE_INTEGER, LUID,
                                              PVOID, PAUTHZ_CLIENT_CONTEXT_HANDLE result)
    {
        if (result == nullptr || !ValidManager(manager) || userSid == nullptr || !IsValidSid(userSid))
        {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        try
        {
            std::unique_ptr<ClientContext> context(new ClientContext());
            AddSid(*context, userSid, true);
            // Everybody belongs to Everyone, unless groups are not wanted.
            if ((flags & AUTHZ_SKIP_TOKEN_GROUPS) == 0 && !WellKnown(userSid, WinWorldSid))
            {
                BYTE world[SECURITY_MAX_SID_SIZE];
                DWORD size = sizeof(world);
                if (CreateWellKnownSid(WinWorldSid, nullptr, world, &size))
                {
                    AddSid(*context, world, true);
                }
            }
            return HandOut(std::move(context), result);
        }
        catch (const std::bad_alloc&)
        {
            return Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
    }

    BOOL WINAPI AuthzInitializeContextFromToken(DWORD, HANDLE token, AUTHZ_RESOURCE_MANAGER_HANDLE manager,
                                                PLARGE_INTEGER, LUID, PVOID,
                                                PAUTHZ_CLIENT_CONTEXT_HANDLE result)
    {
        if (result == nullptr || !ValidManager(manager))
        {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        try
        {
            std::vector<BYTE> user = ReadTokenInformation(token, TokenUser);
            std::vector<BYTE> groups = ReadTokenInformation(token, TokenGroups);
            if (user.empty() || groups.empty())
            {
                return Fail(GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_INVALID_HANDLE);
            }
            std::unique_ptr<ClientContext> context(new ClientContext());
            const TOKEN_USER* tokenUser = reinterpret_cast<const TOKEN_USER*>(user.data());
            SID_AND_ATTRIBUTES userEntry = tokenUser->User;
            userEntry.Attributes |=
                (userEntry.Attributes & SE_GROUP_USE_FOR_DENY_ONLY) ? 0 : SE_GROUP_ENABLED;
            AddTokenSid(*context, userEntry);
            const TOKEN_GROUPS* tokenGroups = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
            for (DWORD i = 0; i < tokenGroups->GroupCount; ++i)
            {
                AddTokenSid(*context, tokenGroups->Groups[i]);
            }
            return HandOut(std::move(context), result);
        }
        catch (const std::bad_alloc&)
        {
            return Fail(ERROR_NOT_ENOUGH_MEMORY);
        }
    }

    BOOL WINAPI AuthzFreeContext(AUTHZ_CLIENT_CONTEXT_HANDLE handle)
    {
        ClientContext* context = ContextOf(handle);
        if (context == nullptr)
        {
            return Fail(ERROR_INVALID_HANDLE);
        }
        context->tag = 0;
        delete context;
        return TRUE;
    }

    BOOL WINAPI AuthzAccessCheck(DWORD, AUTHZ_CLIENT_CONTEXT_HANDLE handle, PAUTHZ_ACCESS_REQUEST request,
                                 AUTHZ_AUDIT_EVENT_HANDLE, PSECURITY_DESCRIPTOR descriptor,
                                 PSECURITY_DESCRIPTOR* additional, DWORD additionalCount,
                                 PAUTHZ_ACCESS_REPLY reply, PAUTHZ_ACCESS_CHECK_RESULTS_HANDLE cachedResults)
    {
        const ClientContext* context = ContextOf(handle);
        if (context == nullptr)
        {
            return Fail(ERROR_INVALID_HANDLE);
        }
        if (request == nullptr || reply == nullptr || reply->ResultListLength == 0 ||
            reply->GrantedAccessMask == nullptr || reply->Error == nullptr || descriptor == nullptr ||
            !IsValidSecurityDescriptor(descriptor))
        {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        if (request->ObjectTypeList != nullptr || (additional != nullptr && additionalCount != 0))
        {
            return Fail(ERROR_NOT_SUPPORTED);
        }
        if (cachedResults != nullptr)
        {
            *cachedResults = nullptr;
        }

        ACCESS_MASK desired = request->DesiredAccess & ~MAXIMUM_ALLOWED;
        const bool maximum = (request->DesiredAccess & MAXIMUM_ALLOWED) != 0;
        MapGenericMask(&desired, &kFileMapping);
        DWORD error = ERROR_SUCCESS;
        ACCESS_MASK granted = 0;
        if ((desired & ACCESS_SYSTEM_SECURITY) != 0)
        {
            error = ERROR_PRIVILEGE_NOT_HELD; // no privileges are held here
        }
        else
        {
            const ACCESS_MASK most = MaximumAccess(*context, descriptor, request->PrincipalSelfSid);
            const bool covered = (desired & most) == desired;
            if (maximum && most != 0 && covered)
            {
                granted = most;
            }
            else if (!maximum && desired != 0 && covered)
            {
                granted = desired;
            }
            else
            {
                error = ERROR_ACCESS_DENIED;
            }
        }
        for (DWORD i = 0; i < reply->ResultListLength; ++i)
        {
            reply->GrantedAccessMask[i] = granted;
            reply->Error[i] = error;
            if (reply->SaclEvaluationResults != nullptr)
            {
                reply->SaclEvaluationResults[i] = 0;
            }
        }
        return TRUE;
    }

} // extern "C"
