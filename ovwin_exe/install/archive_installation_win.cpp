#include "install/archive_installation.h"

#include "diagnostics/log.h"
#include "environment/known_folders.h"
#include "install/backups.h"
#include "install/entry_destination.h"
#include "install/entry_installation_win.h"
#include "install/install_codes.h"
#include "install/tab_reader_win.h"
#include "sysinfo/system_info.h"
#include "ui/dialogs.h"

bool AllReplaced = true;

void InstallTABFile(uint32_t mode)
{
    std::optional<TABHandle> archive = OpenTABFile();
    if (!archive)
    {
        ShowErrorDialog("Failed to open %s for installation.", kArchiveName);
        return;
    }
    TABHandle& tHnd = *archive;
    const bool windows64Bit = IsWindows64Bit(SystemInfoObject);
    for (uint32_t index = 0; index < tHnd.FileCount; ++index)
    {
        const ArchiveEntry& entry = tHnd.Files.Get()[index];
        if (entry.FileName[0] == '\0')
        {
            continue;
        }
        const LogDepthScope depth;
        char path[kPathCapacity];
        const DestinationResult destination =
            BuildDestinationPath(entry, KnownFoldersList, windows64Bit, path, sizeof(path));
        if (destination == DestinationResult::Unknown)
        {
            continue;
        }
        if (destination == DestinationResult::TooLong)
        {
            ErrorLog("InstallTABFile: The destination path of %s in %s is too long; it is not installed.",
                     entry.FileName, entry.Destination);
            if (mode == INSTALL_REPLACE)
            {
                AllReplaced = false;
            }
            continue;
        }
        if (mode == INSTALL_BY_TYPE)
        {
            if (CheckToInstallEntry(entry, path, tHnd.hnd.Get(), entry.InstallType) == 0)
            {
                ErrorLog("InstallTABFile: The attempt to install or upgrade %s has failed.", entry.FileName);
            }
        }
        else if (mode == INSTALL_REPLACE)
        {
            // An entry whose current file could not be kept is not overwritten.
            if (!BackupFile(entry.FileName, path, BackupKindOf(entry.Destination)) ||
                InstallEntry(entry, path, tHnd.hnd.Get()) == 0)
            {
                AllReplaced = false;
            }
        }
    }
    CloseTABFile(tHnd);
}
