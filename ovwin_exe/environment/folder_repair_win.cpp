// The folder repairs: the program-data folder and the cache's parents,
// created or opened up to Everyone and the Administrators group.
#include "diagnostics/error_description.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "environment/access_checks_win.h"
#include "environment/config_repair.h"
#include "environment/dacl_merge_win.h"
#include "environment/file_system.h"
#include "environment/fs_redirection.h"
#include "environment/known_folders.h"
#include "environment/relocate_file.h"
#include "foundation/format_buffer.h"
#include "foundation/scope_guard.h"
#include "foundation/text_limits.h"
#include "sysinfo/system_info.h"

#include <initializer_list>
#include <optional>

namespace
{
// Read, write and every standard right, which changing the DACL needs.
constexpr DWORD kFolderAccess = GENERIC_READ | GENERIC_WRITE | STANDARD_RIGHTS_ALL; // 0xC01F0000

const char* Describe(DWORD code, char* description)
{
    return FormatErrorString(code, description, kLongErrorTextCapacity);
}

bool Win7OrGreater()
{
    if (!SystemInfoObject.OsNamed)
    {
        LoadSystemInfoObject();
    }
    return SystemInfoObject.IsWin7OrGreater;
}

// A folder ends up with normal attributes, so that nothing hides it or
// makes it read-only.
bool SetNormalAttributes(const char* path)
{
    if (SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL))
    {
        return true;
    }
    const DWORD error = GetLastError();
    char description[kLongErrorTextCapacity];
    ErrorLog("OVWin program data folder modification failed: Error while setting attributes on \"%s\"; %s",
             path, Describe(error, description));
    return false;
}

std::optional<SecurityDescriptorSet> CreateFolderGrants(const char* path)
{
    std::optional<SecurityDescriptorSet> set = CreateSecurityDescriptorSet();
    if (!set)
    {
        ErrorLog(
            "CreateUnrestrictedFolder failed: Error while creating security descriptor for folder \"%s\".",
            path);
        return set;
    }
    DebugLogAt(kLogDeveloper, "CreateUnrestrictedFolder: pSDSet.pSD = %p", set->pSD.Get());
    return set;
}

// Merges the grants into the existing folder's DACL; what it took is given
// back in the reverse order: the folder, the grants, the new ACL, the old
// descriptor.
bool OpenUpExistingFolder(const char* path)
{
    DebugLog(
        "CreateUnrestrictedFolder: Folder \"%s\" already exists. It will be checked for security settings.",
        path);
    char description[kLongErrorTextCapacity];
    LocalMemory<void> oldDescriptor;
    MergedAcl merged{ERROR_SUCCESS, LocalMemory<ACL>()};
    std::optional<SecurityDescriptorSet> grants;
    LoggedHandle folder("hFile");

    *folder.Receive() = CreateFileA(path, kFolderAccess, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const DWORD openError = GetLastError();
    DebugLogAt(kLogDeveloper, "CreateUnrestrictedFolder: Obtained file handle: %p", folder.Get());
    if (!folder)
    {
        ErrorLog("OVWin program data folder modification failed: Failed to open folder \"%s\"; %s", path,
                 Describe(openError, description));
        return false;
    }
    PACL oldDacl = nullptr;
    const DWORD read = GetSecurityInfo(folder.Get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                       nullptr, &oldDacl, nullptr, oldDescriptor.Receive());
    if (read != ERROR_SUCCESS)
    {
        ErrorLog("OVWin program data folder modification failed: Error while opening security descriptor for "
                 "folder \"%s\"; %s",
                 path, Describe(read, description));
        return false;
    }
    grants = CreateFolderGrants(path);
    if (!grants)
    {
        return false;
    }
    merged = MergeIntoDacl(oldDacl, grants->Entries, 2);
    if (merged.Error != ERROR_SUCCESS)
    {
        ErrorLog("OVWin program data folder modification failed: Error while merging security descriptor; %s",
                 Describe(merged.Error, description));
        return false;
    }
    const DWORD written = SetSecurityInfo(folder.Get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                          nullptr, merged.Acl.Get(), nullptr);
    if (written != ERROR_SUCCESS)
    {
        ErrorLog("OVWin program data folder modification failed: Error while writing security descriptor for "
                 "key \"%s\"; %s",
                 path, Describe(written, description));
        return false;
    }
    if (!SetNormalAttributes(path))
    {
        return false;
    }
    DebugLog("CreateUnrestrictedFolder: Modified security on existing \"%s\" folder.", path);
    return true;
}

// Creates the folder with the grants as its descriptor.
bool CreateOpenFolder(const char* path)
{
    DebugLog("CreateUnrestrictedFolder: Folder \"%s\" does not exist. It will now be created.", path);
    const std::optional<SecurityDescriptorSet> grants = CreateFolderGrants(path);
    if (!grants)
    {
        return false;
    }
    DebugLog("CreateUnrestrictedFolder: Creating \"%s\" folder...", path);
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = grants->pSD.Get();
    attributes.bInheritHandle = FALSE;
    if (!CreateDirectoryA(path, &attributes))
    {
        const DWORD error = GetLastError();
        char description[kLongErrorTextCapacity];
        ErrorLog("OVWin program data folder modification failed: Error while creating \"%s\"; %s", path,
                 Describe(error, description));
        return false;
    }
    if (!SetNormalAttributes(path))
    {
        return false;
    }
    DebugLog("CreateUnrestrictedFolder: Created \"%s\" folder successfully.", path);
    return true;
}
} // namespace

bool CreateUnrestrictedFolder(const char* path)
{
    FunctionTrace trace("CreateUnrestrictedFolder");
    if (!Win7OrGreater())
    {
        if (DirectoryExists(path))
        {
            DebugLog("CreateUnrestrictedFolder: Folder \"%s\" already exists.", path);
        }
        else
        {
            DebugLog("CreateUnrestrictedFolder: Folder \"%s\" does not exist. It will now be created.", path);
        }
        return false;
    }
    if (!SystemInfoObject.UserLoaded)
    {
        LoadSystemInfoObject();
    }
    if (!SystemInfoObject.IsAdminInvoked)
    {
        if (DirectoryExists(path))
        {
            DebugLog("CreateUnrestrictedFolder: Process does not have admin rights. Attempting to modify "
                     "\"%s\" without admin rights will likely fail.",
                     path);
        }
        else
        {
            DebugLog("CreateUnrestrictedFolder: Process does not have admin rights. Attempting to create "
                     "\"%s\" without admin rights will likely fail.",
                     path);
        }
        return false;
    }
    if (!DisableFSCompatibility())
    {
        ErrorLogText("OVWin program data folder modification failed: Failed to disable WOW64 FS redirection");
        return false;
    }
    const ScopeGuard restoreRedirection([] { EnableFSCompatibility(); });
    return DirectoryExists(path) ? OpenUpExistingFolder(path) : CreateOpenFolder(path);
}

void UpdateConfigAppData()
{
    if (!Win7OrGreater())
    {
        DebugLogText("UpdateConfigAppData: Operation is invalid on this operating system. Requires Windows 7 "
                     "or newer.");
        return;
    }
    DebugLogText("UpdateConfigAppData: Installing/modifying file system program data location.");
    char folder[kPathCapacity];
    const uint32_t lookUp = LookUpSpecialFolder(kFolderProgramData, folder);
    if (lookUp != 0)
    {
        ErrorLogWin32(
            lookUp, "%s",
            "OVWin program data folder modification failed: Could not retrieve Program Data folder location. "
            "This operation may require rights that are being prevent by a system policy.");
        return;
    }
    if (!CreateUnrestrictedFolder(folder))
    {
        ErrorLog("OVWin program data folder modification failed: Error while creating/modifying \"%s\"",
                 folder);
        return;
    }
    DebugLogText("UpdateConfigAppData: File system tasks completed successfully.");
}

void UpdateCacheFolder()
{
    if (!Win7OrGreater())
    {
        ErrorLogText(
            "UpdateCacheFolder: Operation is invalid on this operating system. Requires Windows 7 or newer.");
        return;
    }
    DebugLogText("UpdateCacheFolder: Installing/modifying file system cache data location.");
    if (IsCacheDefaulted(KnownFoldersList.TCacheParentDir, KnownFoldersList.WinDir))
    {
        ErrorLog(
            "UpdateCacheFolder failed: Cache folder is being defaulted to \"%s\", and cannot be modified.",
            KnownFoldersList.TCacheParentDir);
        return;
    }
    // The parents one after the other: each needs the one before.
    for (const char* below : {"Oskelt", "Oskelt\\Orvanta"})
    {
        char folder[kPathCapacity];
        FormatToBuffer(folder, sizeof(folder), "%s%s", KnownFoldersList.UserDir, below);
        if (!CreateUnrestrictedFolder(folder))
        {
            ErrorLog("UpdateCacheFolder failed: Error while creating/modifying \"%s\"", folder);
            return;
        }
    }
    DebugLogText("UpdateCacheFolder: File system tasks completed successfully.");
    RelocateLegacySettingsFiles();
}
