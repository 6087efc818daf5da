#include "install/com_assemblies.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/administrative_rights.h"
#include "environment/file_system.h"
#include "environment/fs_redirection.h"
#include "environment/known_folders.h"
#include "environment/library_version.h"
#include "environment/shell_start_win.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"
#include "install/backups.h"
#include "install/com_assembly_rules.h"
#include "install/entry_destination.h"
#include "install/install_codes.h"
#include "install/install_file_name_win.h"
#include "sysinfo/system_info.h"
#include "ui/splash_win.h"

#include <windows.h>

namespace
{
// A quoted path of up to 259 characters and the utility's switches.
constexpr std::size_t kUtilityParametersCapacity = kPathCapacity + 16;

// Runs the registration utility on the library and writes what its exit
// code means; false when it reported a failure of its own.
bool RunRegistrationUtility(const char* utilityPath, const char* libraryPath, bool unregistering)
{
    char parameters[kUtilityParametersCapacity];
    FormatToBuffer(parameters, sizeof(parameters), unregistering ? "\"%s\" -Q -U" : "\"%s\" -Q", libraryPath);
    // Unregistering the old copy needs no window; registering shows what
    // the utility has to say.
    const int32_t exitCode = ExecuteAppEx(SplashWindow, utilityPath, parameters, true, unregistering);
    const UtilityOutcome outcome = RegistrationUtilityOutcome(exitCode, unregistering);
    if (outcome.Failed)
    {
        ErrorLog("%s", outcome.Line);
    }
    else if (outcome.Line != nullptr)
    {
        DebugLog("%s", outcome.Line);
    }
    return !outcome.Failed;
}

bool DeleteInstalledCopy(const char* path)
{
    if (!DisableFSCompatibility())
    {
        return false;
    }
    const bool deleted = DeleteFileA(path) != FALSE;
    EnableFSCompatibility();
    return deleted;
}

bool CopyIntoPlace(const char* source, const char* destination)
{
    if (!DisableFSCompatibility())
    {
        return false;
    }
    const bool copied = InstallFileName(source, destination);
    EnableFSCompatibility();
    return copied;
}

int Number(uint32_t part)
{
    return static_cast<int>(part);
}
} // namespace

void InstallCOMFiles(bool repairMode)
{
    const char* destinationFolder =
        IsWindows64Bit(SystemInfoObject) ? KnownFoldersList.SysWOW64Dir : KnownFoldersList.SysDir;
    char sourceFolder[kPathCapacity];
    char utilityPath[kPathCapacity];
    char pattern[kPathCapacity];
    // In a folder this deep the utility could not be named, let alone found.
    if (FormatToBuffer(sourceFolder, sizeof(sourceFolder), "%sredist\\", KnownFoldersList.CurrDir) < 0 ||
        FormatToBuffer(utilityPath, sizeof(utilityPath), "%sUTL\\DoziZUZ.exe", KnownFoldersList.CurrDir) <
            0 ||
        FormatToBuffer(pattern, sizeof(pattern), "%s*.DLL", sourceFolder) < 0)
    {
        ErrorLog(
            "InstallCOMFiles: OVWin COM assemblies check/install failed: The paths below \"%s\" are longer "
            "than 259 characters.",
            KnownFoldersList.CurrDir);
        return;
    }
    DebugLog("InstallCOMFiles: Using folder %s for redistributable COM assemblies...", sourceFolder);
    DebugLog("InstallCOMFiles: Using folder %s as destination...", destinationFolder);
    DebugLog("InstallCOMFiles: Using path %s for COM assembly registration utility...", utilityPath);

    if (FileExist(utilityPath) == 0)
    {
        ErrorLogText(
            "InstallCOMFiles: OVWin COM assemblies check/install failed: Could not find DoziZUZ.exe.");
        return;
    }
    if (!DisableFSCompatibility())
    {
        ErrorLogText(
            "InstallCOMFiles: OVWin COM assemblies check/install failed: Could not disable file system "
            "redirection.");
        return;
    }
    DebugLogText("InstallCOMFiles: Searching for new or updated components...");
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA(pattern, &found));
    const DWORD searchError = GetLastError();
    EnableFSCompatibility();

    char description[kLongErrorTextCapacity];
    if (!search)
    {
        if (searchError == ERROR_FILE_NOT_FOUND)
        {
            DebugLogText("InstallCOMFiles: No valid assemblies located for installation.");
            return;
        }
        ErrorLog(
            "OVWin COM assemblies check / install failed : Could not obtain source directory listing; %s",
            FormatErrorString(searchError, description, sizeof(description)));
        return;
    }
    do
    {
        // "*.DLL" also matches a folder of such a name.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            CheckComponent(found.cFileName, sourceFolder, destinationFolder, utilityPath, repairMode);
        }
    } while (FindNextFileA(search.Get(), &found));
    const DWORD listingError = GetLastError();
    if (listingError != ERROR_NO_MORE_FILES)
    {
        ErrorLog("OVWin COM assemblies check / install failed : Error while reading source directory; %s",
                 FormatErrorString(listingError, description, sizeof(description)));
    }
}

void CheckComponent(const char* fileName, const char* sourceFolder, const char* destinationFolder,
                    const char* utilityPath, bool repairMode)
{
    char sourcePath[kPathCapacity];
    char destinationPath[kPathCapacity];
    if (FormatToBuffer(sourcePath, sizeof(sourcePath), "%s%s", sourceFolder, fileName) < 0 ||
        FormatToBuffer(destinationPath, sizeof(destinationPath), "%s%s", destinationFolder, fileName) < 0)
    {
        ErrorLog("CheckComponent: The path of %s in %s or %s is too long; it is not installed.", fileName,
                 sourceFolder, destinationFolder);
        return;
    }
    if (FileExist(sourcePath) == 0)
    {
        ErrorLog("CheckComponent: Expected source file not found: %s", sourcePath);
        return;
    }
    const LibraryVersion source = GetLibraryVersion(sourcePath);
    char label[kProductLabelCapacity];
    BuildProductLabel(source, label, sizeof(label));

    const bool installed = FileExist(destinationPath) != 0;
    if (installed)
    {
        const LibraryVersion current = GetLibraryVersion(destinationPath);
        DebugLog("CheckComponent: %s %s Current Version: %d.%d.%d.%d, Installer Version: %d.%d.%d.%d",
                 fileName, label, Number(current.Major), Number(current.Minor), Number(current.Build),
                 Number(current.Revision), Number(source.Major), Number(source.Minor), Number(source.Build),
                 Number(source.Revision));
        if (!IsNewerFileVersion(source, current) && !repairMode)
        {
            DebugLogText("CheckComponent: This component is installed and up-to-date.");
            return;
        }
        // A backup that failed is in the error log; the upgrade goes on.
        static_cast<void>(BackupFile(fileName, destinationPath, BACKUP_SYS));
    }
    else
    {
        DebugLog("CheckComponent: %s %s Current Version: Not Installed, Installer Version: %d.%d.%d.%d",
                 fileName, label, Number(source.Major), Number(source.Minor), Number(source.Build),
                 Number(source.Revision));
    }
    InstallComponent(source.ProductName, sourcePath, destinationPath, utilityPath, installed);
}

void InstallComponent(const char* productName, const char* sourcePath, const char* destinationPath,
                      const char* utilityPath, bool installed)
{
    DebugLog("InstallComponent: Installing/Upgrading %s...", productName);
    if (!MayRunAdministrativeStep())
    {
        ErrorLogText(
            "InstallComponent: OVWin COM/.NET Assembly install failed: Authority failure. You must be an "
            "administrator.");
        return;
    }
    if (installed)
    {
        if (!RunRegistrationUtility(utilityPath, destinationPath, true))
        {
            return;
        }
        if (!DeleteInstalledCopy(destinationPath))
        {
            ErrorLogText("InstallComponent: Failed to delete existing library file for upgrading.");
            return;
        }
    }
    if (!CopyIntoPlace(sourcePath, destinationPath))
    {
        ErrorLogText("InstallComponent: Failed to install library file.");
        return;
    }
    static_cast<void>(RunRegistrationUtility(utilityPath, destinationPath, false));
}
