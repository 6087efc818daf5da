#include "install/backups.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/file_system.h"
#include "environment/fs_redirection.h"
#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "foundation/win32_owners_win.h"
#include "install/backup_folders.h"
#include "install/entry_destination.h"
#include "sysinfo/system_info.h"
#include "ui/splash_win.h"

#include <windows.h>

#include <cstring>

namespace
{
constexpr DWORD kBackupShownPauseMs = 150;
constexpr DWORD kBackupFailurePauseMs = 500;

bool IsDotEntry(const char* name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

BackupCandidate ProbeCandidate(const char* candidate)
{
    WIN32_FIND_DATAA found;
    {
        const FindHandle search{FindFirstFileA(candidate, &found)};
        if (!search)
        {
            return BackupCandidate::Missing;
        }
    }
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    {
        return BackupCandidate::InUse;
    }
    char pattern[kPathCapacity];
    if (FormatToBuffer(pattern, sizeof(pattern), "%s\\*", candidate) < 0)
    {
        return BackupCandidate::InUse;
    }
    const FindHandle contents{FindFirstFileA(pattern, &found)};
    if (!contents)
    {
        return BackupCandidate::EmptyFolder;
    }
    do
    {
        if (!IsDotEntry(found.cFileName))
        {
            return BackupCandidate::InUse;
        }
    } while (FindNextFileA(contents.Get(), &found));
    return BackupCandidate::EmptyFolder;
}

// Creates a folder of the set that is missing; false after the error line.
bool EnsureBackupFolder(const char* folder)
{
    if (DirectoryExists(folder))
    {
        return true;
    }
    DebugLog("PrepareForBackup: Creating \"%s\" backup folder...", folder);
    if (CreateDirectoryA(folder, nullptr))
    {
        return true;
    }
    char description[kErrorTextCapacity];
    ErrorLog("OVWin backup folder creation failed: Error while creating \"%s\"; %s", folder,
             FormatErrorString(GetLastError(), description, sizeof(description)));
    return false;
}

void PrepareBackupSet(const char* modeName)
{
    KnownFoldersRecord& folders = KnownFoldersList;
    if (!DirectoryExists(folders.ProgDataDir))
    {
        ErrorLog("OVWin backup folder creation failed: The configuration location \"%s\" is missing.",
                 folders.ProgDataDir);
        return;
    }
    char setFolder[kPathCapacity];
    if (FormatToBuffer(setFolder, sizeof(setFolder), "%s%s", folders.ProgDataDir, modeName) < 0 ||
        !EnsureBackupFolder(setFolder) || !AppendToBuffer(setFolder, sizeof(setFolder), "\\"))
    {
        return;
    }
    for (const BackupFolderRow& row : kBackupFolderRows)
    {
        char basePath[kPathCapacity];
        char* field = folders.*row.Field;
        if (FormatToBuffer(basePath, sizeof(basePath), "%s%s", setFolder, row.BaseName) >= 0)
        {
            NumberedFolderName(basePath, field);
        }
        DebugLogAt(kLogDeveloper, "PrepareForBackup: KnownFoldersList.%s is now set to \"%s\".",
                   row.FieldName, field);
        // A folder that is not named would be the drive's root.
        if (field[0] != '\0')
        {
            EnsureBackupFolder(field);
        }
    }
}

// The copy itself, with redirection off; false after its error line.
bool CopyToBackup(const char* currentPath, const char* folder, const char* backupPath)
{
    WIN32_FIND_DATAA found;
    if (!FindHandle{FindFirstFileA(currentPath, &found)})
    {
        return true; // a file that is not installed needs no backup
    }
    DebugLogAt(kLogDeveloper, "BackupFile: Calling CopyFile(%s, %s, FALSE)", currentPath, backupPath);
    // Without a prepared folder the copy would land in the drive's root.
    if (folder[0] != '\0' && CopyFileA(currentPath, backupPath, FALSE))
    {
        return true;
    }
    const DWORD error = folder[0] != '\0' ? GetLastError() : ERROR_PATH_NOT_FOUND;
    char description[kErrorTextCapacity];
    ErrorLog("Failed to back up file \"%s\" to %s; %s", currentPath, backupPath,
             FormatErrorString(error, description, sizeof(description)));
    Sleep(kBackupFailurePauseMs);
    return false;
}
} // namespace

void PrepareForBackup(const char* modeName)
{
    const FunctionTrace trace("PrepareForBackup");
    const LogDepthScope depth;
    if (!DisableFSCompatibility())
    {
        return;
    }
    PrepareBackupSet(modeName);
    EnableFSCompatibility();
}

bool BackupFile(const char* fileName, const char* currentPath, uint32_t backupKind)
{
    const char* folder = BackupFolderOf(backupKind, KnownFoldersList, IsWindows64Bit(SystemInfoObject));
    if (folder == nullptr)
    {
        ErrorLog("Failed to back up file \"%s\" -- This InstallType is unknown.", currentPath);
        Sleep(kBackupFailurePauseMs);
        return false;
    }
    char backupPath[kPathCapacity] = "";
    FormatToBuffer(backupPath, sizeof(backupPath), "%s\\%s", folder, fileName);

    char shown[kMessageCapacity];
    FormatToBuffer(shown, sizeof(shown), "Backing up \"%s\" to %s", fileName, backupPath);
    ShowSubStatusText(shown);
    Sleep(kBackupShownPauseMs);

    if (!DisableFSCompatibility())
    {
        return true;
    }
    const bool copied = CopyToBackup(currentPath, folder, backupPath);
    EnableFSCompatibility();
    return copied;
}

void NumberedFolderName(const char* basePath, char* field)
{
    if (!DisableFSCompatibility())
    {
        return;
    }
    ChooseNumberedFolder(basePath, ProbeCandidate, field, kPathCapacity);
    EnableFSCompatibility();
}
