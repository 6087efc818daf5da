#include "environment/access_checks_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "environment/file_system.h"
#include "environment/fs_redirection.h"
#include "foundation/scope_guard.h"
#include "foundation/text_limits.h"
#include "sysinfo/system_info.h"

#include <authz.h>

namespace
{
constexpr DWORD kDescriptorBytes = 40; // room for an absolute descriptor on either edition
constexpr SECURITY_INFORMATION kOwnerAndDacl = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

using AuthzResourceManager = Owner<NullEmptyTraits<AUTHZ_RESOURCE_MANAGER_HANDLE, AuthzFreeResourceManager>>;
using AuthzClientContext = Owner<NullEmptyTraits<AUTHZ_CLIENT_CONTEXT_HANDLE, AuthzFreeContext>>;

const char* Describe(DWORD code, char* description, std::size_t capacity)
{
    return FormatErrorString(code, description, capacity);
}

std::optional<SecurityDescriptorSet> RefuseSecurityDescriptorSet(const char* failure, DWORD code)
{
    char description[kErrorTextCapacity];
    ErrorLog("CreateSecurityDescriptor failed: %s; %s", failure,
             Describe(code, description, sizeof(description)));
    return std::nullopt;
}

void SetFullAccessEntry(EXPLICIT_ACCESS_A& entry, PSID trustee, TRUSTEE_TYPE type)
{
    entry.grfAccessPermissions = kFileFullAccess;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = type;
    entry.Trustee.ptstrName = static_cast<LPSTR>(trustee);
}

// Empty when there is none (the failure is logged).
AuthzResourceManager OpenResourceManager(const RightsCheckParty& party)
{
    AuthzResourceManager manager;
    if (AuthzInitializeResourceManager(AUTHZ_RM_FLAG_NO_AUDIT, nullptr, nullptr, nullptr, nullptr,
                                       manager.Receive()))
    {
        return manager;
    }
    const DWORD error = GetLastError();
    char description[kLongErrorTextCapacity];
    ErrorLog("%s failed: AuthzInitializeResourceManager failed; %s", party.CheckName,
             Describe(error, description, sizeof(description)));
    return AuthzResourceManager();
}

// Asks for the most the client may do with the object. False when the
// check itself could not be made (its lines are written).
bool RunAccessCheck(const RightsCheckParty& party, AUTHZ_CLIENT_CONTEXT_HANDLE client,
                    PSECURITY_DESCRIPTOR descriptor, DWORD& replyError, ACCESS_MASK& granted)
{
    AUTHZ_ACCESS_REQUEST request = {};
    request.DesiredAccess = MAXIMUM_ALLOWED;
    AUTHZ_ACCESS_REPLY reply = {};
    reply.ResultListLength = 1;
    reply.GrantedAccessMask = &granted;
    reply.Error = &replyError;
    if (AuthzAccessCheck(0, client, &request, nullptr, descriptor, nullptr, 0, &reply, nullptr))
    {
        DebugLogAt(kLogDeveloper, "%s: pAccessReply->Error=%d.", party.CheckName,
                   static_cast<int>(replyError));
        return true;
    }
    const DWORD error = GetLastError();
    DebugLogAt(kLogDeveloper, "%s: (After Error) pAccessReply->Error=%d. (May not be set)", party.CheckName,
               static_cast<int>(replyError));
    char description[kLongErrorTextCapacity];
    ErrorLog("%s failed: Failed to perform access check for %s on DACL; %s", party.CheckName, party.Subject,
             Describe(error, description, sizeof(description)));
    return false;
}

RightsCheckResult CheckEveryoneRights(const RightsCheckParty& party, PSECURITY_DESCRIPTOR descriptor)
{
    DebugLogAt(kLogDeveloper, "%s: Comparing to security descriptor at %p.", party.CheckName, descriptor);
    AuthzResourceManager manager = OpenResourceManager(party);
    if (!manager)
    {
        return kRightsError;
    }
    DWORD replyError = 0;
    ACCESS_MASK granted = 0;
    {
        const std::optional<SecurityDescriptorSet> set = CreateSecurityDescriptorSet();
        if (!set)
        {
            ErrorLog("%s failed: Error while creating default security descriptor.", party.CheckName);
            return kRightsError;
        }
        AuthzClientContext client;
        const LUID noIdentifier = {0, 0};
        if (!AuthzInitializeContextFromSid(0, set->pEveryoneSID.Get(), manager.Get(), nullptr, noIdentifier,
                                           nullptr, client.Receive()))
        {
            const DWORD error = GetLastError();
            char description[kLongErrorTextCapacity];
            ErrorLog("%s failed: Failed to initialize Authz context from security descriptor set; %s",
                     party.CheckName, Describe(error, description, sizeof(description)));
            return kRightsError;
        }
        if (!RunAccessCheck(party, client.Get(), descriptor, replyError, granted))
        {
            return kRightsError;
        }
    }
    manager.Reset();
    return JudgeAccessReply(party, replyError, granted);
}

// The buffer of a file's or folder's descriptor: given back with its lines
// on every way out of the check that made it, also when nothing could be
// allocated (the helper then writes that it is already free).
struct DescriptorBufferTraits
{
    using Value = void*;
    static constexpr bool kReleaseWhenEmpty = true;

    DescriptorBufferTraits(const char* name) : checkName(name) {}
    static void* Empty() { return INVALID_HANDLE_VALUE; } // the released marker until allocated
    void Release(void*& block) const
    {
        DebugLogAt(kLogDeveloper, "%s: pSD heap pointer to HeapFreeHlpr = %p.", checkName, block);
        if (block == nullptr) // a failed allocation: nothing to give back
        {
            block = INVALID_HANDLE_VALUE;
        }
        HeapFreeHlpr(&block, "pSD");
    }

    const char* checkName;
};
using DescriptorBuffer = Owner<DescriptorBufferTraits>;

// The two kinds of object whose descriptor a check reads, each with its
// own lines.
enum class SecuredObject
{
    File,
    Folder,
};

const char* CheckNameOf(SecuredObject object)
{
    return object == SecuredObject::File ? "IsFileUnrestricted" : "IsFolderUnrestricted";
}

// A missing file is an error; a missing folder is one the repairs make.
bool ObjectExists(SecuredObject object, const char* path)
{
    if (object == SecuredObject::File)
    {
        if (FileExist(path) != 0)
        {
            return true;
        }
        ErrorLog("IsFileUnrestricted: File \"%s\" does not exist or is blocked.", path);
        return false;
    }
    if (DirectoryExists(path))
    {
        return true;
    }
    DebugLog("IsFolderUnrestricted: Folder \"%s\" does not exist.", path);
    return false;
}

void ReportSizeFailure(SecuredObject object, const char* path, const char* description)
{
    if (object == SecuredObject::File)
    {
        ErrorLog("IsFileUnrestricted: Failed to open security descriptor for target file \"%s\"; %s", path,
                 description);
    }
    else
    {
        DebugLog("IsFolderUnrestricted: Failed to open folder \"%s\"; %s", path, description);
    }
}

void ReportReadFailure(SecuredObject object, const char* path, const char* description)
{
    if (object == SecuredObject::File)
    {
        ErrorLog("IsFileUnrestricted: Error while opening security descriptor for target file \"%s\"; %s",
                 path, description);
    }
    else
    {
        ErrorLog("IsFolderUnrestricted: Error while opening security descriptor for folder \"%s\"; %s", path,
                 description);
    }
}

// The owner and DACL of an existing file or folder, in a buffer the caller
// keeps for the check. Empty when they could not be read: the buffer has
// then been given back already, with its lines.
DescriptorBuffer ReadFileDescriptor(SecuredObject object, const char* path)
{
    const char* checkName = CheckNameOf(object);
    DescriptorBuffer buffer(checkName);
    if (!ObjectExists(object, path))
    {
        buffer.Reset();
        return buffer;
    }
    char description[kErrorTextCapacity];
    DWORD needed = 0;
    if (!GetFileSecurityA(path, kOwnerAndDacl, nullptr, 0, &needed))
    {
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER)
        {
            ReportSizeFailure(object, path, Describe(error, description, sizeof(description)));
            buffer.Reset();
            return buffer;
        }
    }
    DebugLogAt(kLogDeveloper, "%s: Size required to store security descriptor: %d", checkName,
               static_cast<int>(needed));
    if (!HeapAllocHlpr(buffer.Receive(), needed, "pSD"))
    {
        ErrorLog("%s failed: Failed to allocate security descriptor", checkName);
        buffer.Reset();
        return buffer;
    }
    DebugLogAt(kLogDeveloper, "%s: pSD heap pointer from HeapAllocHlpr = %p.", checkName, buffer.Get());
    if (!GetFileSecurityA(path, kOwnerAndDacl, buffer.Get(), needed, &needed))
    {
        const DWORD error = GetLastError();
        ReportReadFailure(object, path, Describe(error, description, sizeof(description)));
        buffer.Reset();
        return buffer;
    }
    DebugLogAt(kLogDeveloper,
               "%s: Obtained security descriptor at %p from GetFileSecurity. IsValidSecurityDescriptor=%s",
               checkName, buffer.Get(), IsValidSecurityDescriptor(buffer.Get()) ? "true" : "false");
    return buffer;
}

// The checks are meaningful from Windows 7 on; before, nothing counts as
// unrestricted.
bool ChecksApply()
{
    if (!SystemInfoObject.OsNamed)
    {
        LoadSystemInfoObject();
    }
    return SystemInfoObject.IsWin7OrGreater;
}

} // namespace

std::optional<SecurityDescriptorSet> CreateSecurityDescriptorSet()
{
    FunctionTrace trace("CreateSecurityDescriptorSet");
    DebugLogText("CreateSecurityDescriptor: Generating security descriptor...");
    SecurityDescriptorSet set;

    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  set.pEveryoneSID.Receive()))
    {
        return RefuseSecurityDescriptorSet("Failed to initialize SID for \"Everyone\"", GetLastError());
    }
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, set.pAdministratorsSID.Receive()))
    {
        return RefuseSecurityDescriptorSet("Failed to initialize SID for \"Administrators\"", GetLastError());
    }
    SetFullAccessEntry(set.Entries[0], set.pEveryoneSID.Get(), TRUSTEE_IS_WELL_KNOWN_GROUP);
    SetFullAccessEntry(set.Entries[1], set.pAdministratorsSID.Get(), TRUSTEE_IS_GROUP);
    const DWORD applied = SetEntriesInAclA(2, set.Entries, nullptr, set.pACL.Receive());
    if (applied != ERROR_SUCCESS)
    {
        return RefuseSecurityDescriptorSet("Failed to apply entries to security ACL", applied);
    }
    // HeapAlloc need not set the last error when it fails.
    SetLastError(0);
    set.pSD.Reset(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kDescriptorBytes));
    if (!set.pSD)
    {
        return RefuseSecurityDescriptorSet("Failed to allocate security descriptor", GetLastError());
    }
    if (!InitializeSecurityDescriptor(set.pSD.Get(), SECURITY_DESCRIPTOR_REVISION))
    {
        return RefuseSecurityDescriptorSet("Failed to initialize security descriptor", GetLastError());
    }
    if (!SetSecurityDescriptorDacl(set.pSD.Get(), TRUE, set.pACL.Get(), FALSE))
    {
        return RefuseSecurityDescriptorSet("Error while setting ACL security on descriptor", GetLastError());
    }
    if (!SetSecurityDescriptorOwner(set.pSD.Get(), set.pAdministratorsSID.Get(), FALSE))
    {
        return RefuseSecurityDescriptorSet("Error while setting Owner security on descriptor",
                                           GetLastError());
    }
    return set;
}

RightsCheckResult CheckEveryoneRightsInFile(PSECURITY_DESCRIPTOR descriptor)
{
    return CheckEveryoneRights(kEveryoneInFile, descriptor);
}

RightsCheckResult CheckEveryoneRightsInRegistry(PSECURITY_DESCRIPTOR descriptor)
{
    return CheckEveryoneRights(kEveryoneInRegistry, descriptor);
}

RightsCheckResult CheckInvokerRightsInFile(PSECURITY_DESCRIPTOR descriptor)
{
    const RightsCheckParty& party = kInvokerInFile;
    DebugLogAt(kLogDeveloper, "%s: Comparing to security descriptor at %p.", party.CheckName, descriptor);
    AuthzResourceManager manager = OpenResourceManager(party);
    if (!manager)
    {
        return kRightsError;
    }
    char description[kLongErrorTextCapacity];
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, token.Receive()))
    {
        const DWORD error = GetLastError();
        ErrorLog("%s failed: Failed to obtain process security token; %s", party.CheckName,
                 Describe(error, description, sizeof(description)));
        return kRightsError;
    }
    if (!SystemInfoObject.VersionKnown)
    {
        LoadSystemInfoObject();
    }
    AuthzClientContext client;
    const LUID noIdentifier = {0, 0};
    if (!AuthzInitializeContextFromToken(0, token.Get(), manager.Get(), nullptr, noIdentifier, nullptr,
                                         client.Receive()))
    {
        const DWORD error = GetLastError();
        ErrorLog("%s failed: Failed to initialize Authz context from invoker token; %s", party.CheckName,
                 Describe(error, description, sizeof(description)));
        return kRightsError;
    }
    DWORD replyError = 0;
    ACCESS_MASK granted = 0;
    if (!RunAccessCheck(party, client.Get(), descriptor, replyError, granted))
    {
        return kRightsError;
    }
    token.Reset();
    client.Reset();
    manager.Reset();
    return JudgeAccessReply(party, replyError, granted);
}

int32_t IsFileUnrestricted(const char* path)
{
    if (!ChecksApply())
    {
        return 0;
    }
    DebugLog("IsFileUnrestricted: Checking target \"%s\".", path);
    const DescriptorBuffer descriptor = ReadFileDescriptor(SecuredObject::File, path);
    if (!descriptor)
    {
        return 0;
    }
    DebugLog("IsFileUnrestricted: Validating process invoker access on target \"%s\"...", path);
    RaiseLogDepth();
    const RightsCheckResult result = CheckInvokerRightsInFile(descriptor.Get());
    LowerLogDepth();
    switch (result)
    {
        case kRightsTrue:
            DebugLog("IsFileUnrestricted: Target \"%s\" appears unrestricted.", path);
            return 1;
        case kRightsFalse:
            ErrorLog("IsFileUnrestricted: Process invoker does not have full access to target file \"%s\".",
                     path);
            return 0;
        default:
            ErrorLog("IsFileUnrestricted: Couldn't validate process invoker access on target file \"%s\".",
                     path);
            return 0;
    }
}

int32_t IsFolderUnrestricted(const char* path, bool everyone)
{
    if (!ChecksApply())
    {
        return 0;
    }
    DebugLog("IsFolderUnrestricted: Checking folder \"%s\".", path);
    if (!DisableFSCompatibility())
    {
        return 0;
    }
    const ScopeGuard redirectionBack([] { EnableFSCompatibility(); });
    const DescriptorBuffer descriptor = ReadFileDescriptor(SecuredObject::Folder, path);
    if (!descriptor)
    {
        return 0;
    }
    RightsCheckResult result = kRightsError;
    if (everyone)
    {
        DebugLog("IsFolderUnrestricted: Validating \"Everyone\" access on folder \"%s\"...", path);
        result = CheckEveryoneRightsInFile(descriptor.Get());
    }
    else
    {
        DebugLog("IsFolderUnrestricted: Validating process invoker access on folder \"%s\"...", path);
        result = CheckInvokerRightsInFile(descriptor.Get());
    }
    // The same words whichever party was checked.
    switch (result)
    {
        case kRightsTrue:
            DebugLog("IsFolderUnrestricted: Folder \"%s\" is unrestricted.", path);
            return 1;
        case kRightsFalse:
            DebugLog("IsFolderUnrestricted: \"Everyone\" does not have full access to folder \"%s\".", path);
            return 0;
        default:
            DebugLog("IsFolderUnrestricted: Couldn't validate \"Everyone\" access on folder \"%s\".", path);
            return 0;
    }
}
