#include "environment/access_checks_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "diagnostics/text_limits.h"
#include "environment/file_system.h"
#include "environment/owned_resource_win.h"
#include "sysinfo/system_info.h"

#include <authz.h>

#include <cstring>

namespace
{
constexpr DWORD kDescriptorBytes = 40; // room for an absolute descriptor on either edition
constexpr SECURITY_INFORMATION kOwnerAndDacl = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

using OwnedResourceManager = OwnedResource<AUTHZ_RESOURCE_MANAGER_HANDLE, AuthzFreeResourceManager>;
using OwnedClientContext = OwnedResource<AUTHZ_CLIENT_CONTEXT_HANDLE, AuthzFreeContext>;

const char* Describe(DWORD code, char* description, std::size_t capacity)
{
    return FormatErrorString(code, description, capacity);
}

bool FailSecurityDescriptorSet(SecurityDescriptorSet& set, const char* format, DWORD code)
{
    char description[kErrorTextCapacity];
    ErrorLog(format, Describe(code, description, sizeof(description)));
    ReleaseSecurityDescriptorSet(set);
    return false;
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

bool OpenResourceManager(const RightsCheckParty& party, OwnedResourceManager& manager)
{
    if (AuthzInitializeResourceManager(AUTHZ_RM_FLAG_NO_AUDIT, nullptr, nullptr, nullptr, nullptr,
                                       manager.Receive()))
    {
        return true;
    }
    const DWORD error = GetLastError();
    char description[kLongErrorTextCapacity];
    ErrorLog("%s failed: AuthzInitializeResourceManager failed; %s", party.CheckName,
             Describe(error, description, sizeof(description)));
    return false;
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
    OwnedResourceManager manager;
    if (!OpenResourceManager(party, manager))
    {
        return kRightsError;
    }
    DWORD replyError = 0;
    ACCESS_MASK granted = 0;
    {
        OwnedSecurityDescriptorSet set;
        if (!set.Create())
        {
            ErrorLog("%s failed: Error while creating default security descriptor.", party.CheckName);
            return kRightsError;
        }
        OwnedClientContext client;
        const LUID noIdentifier = {0, 0};
        if (!AuthzInitializeContextFromSid(0, set.Get().pEveryoneSID, manager.Get(), nullptr, noIdentifier,
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

// The buffer of a file's or folder's descriptor, released with its lines on
// every way out of the check.
class DescriptorBuffer
{
  public:
    explicit DescriptorBuffer(const char* checkName) : checkName_(checkName) {}
    ~DescriptorBuffer()
    {
        DebugLogAt(kLogDeveloper, "%s: pSD heap pointer to HeapFreeHlpr = %p.", checkName_, block_);
        if (block_ == nullptr) // a failed allocation: nothing to give back
        {
            block_ = INVALID_HANDLE_VALUE;
        }
        HeapFreeHlpr(&block_, "pSD");
    }
    DescriptorBuffer(const DescriptorBuffer&) = delete;
    DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

    bool Allocate(DWORD size) { return HeapAllocHlpr(&block_, size, "pSD"); }
    PSECURITY_DESCRIPTOR Get() const { return block_; }

  private:
    const char* checkName_;
    void* block_ = INVALID_HANDLE_VALUE; // the released marker until allocated
};

// What a check writes when the descriptor cannot be read.
struct DescriptorReadTexts
{
    const char* checkName;
    const char* sizeFailure; // path, description
    bool sizeFailureIsError;
    const char* readFailure; // path, description
};

const DescriptorReadTexts kFileReadTexts = {
    "IsFileUnrestricted", "IsFileUnrestricted: Failed to open security descriptor for target file \"%s\"; %s",
    true, "IsFileUnrestricted: Error while opening security descriptor for target file \"%s\"; %s"};
const DescriptorReadTexts kFolderReadTexts = {
    "IsFolderUnrestricted", "IsFolderUnrestricted: Failed to open folder \"%s\"; %s", false,
    "IsFolderUnrestricted: Error while opening security descriptor for folder \"%s\"; %s"};

// Reads the owner and DACL of a file or folder into the buffer.
bool ReadFileDescriptor(const DescriptorReadTexts& texts, const char* path, DescriptorBuffer& buffer)
{
    char description[kErrorTextCapacity];
    DWORD needed = 0;
    if (!GetFileSecurityA(path, kOwnerAndDacl, nullptr, 0, &needed))
    {
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER)
        {
            Describe(error, description, sizeof(description));
            if (texts.sizeFailureIsError)
            {
                ErrorLog(texts.sizeFailure, path, description);
            }
            else
            {
                DebugLog(texts.sizeFailure, path, description);
            }
            return false;
        }
    }
    DebugLogAt(kLogDeveloper, "%s: Size required to store security descriptor: %d", texts.checkName,
               static_cast<int>(needed));
    if (!buffer.Allocate(needed))
    {
        ErrorLog("%s failed: Failed to allocate security descriptor", texts.checkName);
        return false;
    }
    DebugLogAt(kLogDeveloper, "%s: pSD heap pointer from HeapAllocHlpr = %p.", texts.checkName, buffer.Get());
    if (!GetFileSecurityA(path, kOwnerAndDacl, buffer.Get(), needed, &needed))
    {
        const DWORD error = GetLastError();
        ErrorLog(texts.readFailure, path, Describe(error, description, sizeof(description)));
        return false;
    }
    DebugLogAt(kLogDeveloper,
               "%s: Obtained security descriptor at %p from GetFileSecurity. IsValidSecurityDescriptor=%s",
               texts.checkName, buffer.Get(), IsValidSecurityDescriptor(buffer.Get()) ? "true" : "false");
    return true;
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

// Switches redirection back on when the folder check is done with it.
class RedirectionOff
{
  public:
    RedirectionOff() : off_(DisableFSCompatibility()) {}
    ~RedirectionOff()
    {
        if (off_)
        {
            EnableFSCompatibility();
        }
    }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;
    bool Off() const { return off_; }

  private:
    bool off_;
};
} // namespace

bool CreateSecurityDescriptorSet(SecurityDescriptorSet& set)
{
    FunctionTrace trace("CreateSecurityDescriptorSet");
    DebugLogText("CreateSecurityDescriptor: Generating security descriptor...");
    std::memset(&set, 0, sizeof(set));

    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &set.pEveryoneSID))
    {
        return FailSecurityDescriptorSet(
            set, "CreateSecurityDescriptor failed: Failed to initialize SID for \"Everyone\"; %s",
            GetLastError());
    }
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &set.pAdministratorsSID))
    {
        return FailSecurityDescriptorSet(
            set, "CreateSecurityDescriptor failed: Failed to initialize SID for \"Administrators\"; %s",
            GetLastError());
    }
    SetFullAccessEntry(set.Entries[0], set.pEveryoneSID, TRUSTEE_IS_WELL_KNOWN_GROUP);
    SetFullAccessEntry(set.Entries[1], set.pAdministratorsSID, TRUSTEE_IS_GROUP);
    const DWORD applied = SetEntriesInAclA(2, set.Entries, nullptr, &set.pACL);
    if (applied != ERROR_SUCCESS)
    {
        return FailSecurityDescriptorSet(
            set, "CreateSecurityDescriptor failed: Failed to apply entries to security ACL; %s", applied);
    }
    // HeapAlloc need not set the last error when it fails.
    SetLastError(0);
    set.pSD = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kDescriptorBytes);
    if (set.pSD == nullptr)
    {
        return FailSecurityDescriptorSet(
            set, "CreateSecurityDescriptor failed: Failed to allocate security descriptor; %s",
            GetLastError());
    }
    if (!InitializeSecurityDescriptor(set.pSD, SECURITY_DESCRIPTOR_REVISION))
    {
        return FailSecurityDescriptorSet(
            set, "CreateSecurityDescriptor failed: Failed to initialize security descriptor; %s",
            GetLastError());
    }
    if (!SetSecurityDescriptorDacl(set.pSD, TRUE, set.pACL, FALSE))
    {
        return FailSecurityDescriptorSet(
            set, "CreateSecurityDescriptor failed: Error while setting ACL security on descriptor; %s",
            GetLastError());
    }
    if (!SetSecurityDescriptorOwner(set.pSD, set.pAdministratorsSID, FALSE))
    {
        return FailSecurityDescriptorSet(
            set, "CreateSecurityDescriptor failed: Error while setting Owner security on descriptor; %s",
            GetLastError());
    }
    return true;
}

void ReleaseSecurityDescriptorSet(SecurityDescriptorSet& set)
{
    if (set.pSD != nullptr)
    {
        HeapFree(GetProcessHeap(), 0, set.pSD);
        set.pSD = nullptr;
    }
    if (set.pACL != nullptr)
    {
        LocalFree(set.pACL);
        set.pACL = nullptr;
    }
    if (set.pAdministratorsSID != nullptr)
    {
        FreeSid(set.pAdministratorsSID);
        set.pAdministratorsSID = nullptr;
    }
    if (set.pEveryoneSID != nullptr)
    {
        FreeSid(set.pEveryoneSID);
        set.pEveryoneSID = nullptr;
    }
    // The entries point at the SIDs just freed.
    std::memset(set.Entries, 0, sizeof(set.Entries));
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
    OwnedResourceManager manager;
    if (!OpenResourceManager(party, manager))
    {
        return kRightsError;
    }
    char description[kLongErrorTextCapacity];
    OwnedKernelHandle token;
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
    OwnedClientContext client;
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
    DescriptorBuffer descriptor(kFileReadTexts.checkName);
    if (FileExist(path) == 0)
    {
        ErrorLog("IsFileUnrestricted: File \"%s\" does not exist or is blocked.", path);
        return 0;
    }
    if (!ReadFileDescriptor(kFileReadTexts, path, descriptor))
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
    const RedirectionOff redirection;
    if (!redirection.Off())
    {
        return 0;
    }
    DescriptorBuffer descriptor(kFolderReadTexts.checkName);
    if (!DirectoryExists(path))
    {
        DebugLog("IsFolderUnrestricted: Folder \"%s\" does not exist.", path);
        return 0;
    }
    if (!ReadFileDescriptor(kFolderReadTexts, path, descriptor))
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
