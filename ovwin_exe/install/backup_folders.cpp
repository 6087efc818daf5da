#include "install/backup_folders.h"

#include "foundation/format_buffer.h"
#include "install/install_codes.h"

const BackupFolderRow kBackupFolderRows[kBackupFolderRowCount] = {
    {"tcache1", &KnownFoldersRecord::CurrBackupDir, "CurrBackupDir"},
    {"Fonts", &KnownFoldersRecord::FonBackupDir, "FonBackupDir"},
    {"Windows", &KnownFoldersRecord::WinBackupDir, "WinBackupDir"},
    {"System32", &KnownFoldersRecord::SysBackupDir, "SysBackupDir"},
    {"SysWOW64", &KnownFoldersRecord::SysWOW64BackupDir, "SysWOW64BackupDir"},
};

const char* BackupFolderOf(uint32_t kind, const KnownFoldersRecord& folders, bool windows64Bit)
{
    switch (kind)
    {
        case BACKUP_CUR:
            return folders.CurrBackupDir;
        case BACKUP_FON:
            return folders.FonBackupDir;
        case BACKUP_WIN:
            return folders.WinBackupDir;
        case BACKUP_SYS:
            return windows64Bit ? folders.SysWOW64BackupDir : folders.SysBackupDir;
        default:
            return nullptr;
    }
}

bool ChooseNumberedFolder(const char* basePath, const BackupCandidateProbe& probe, char* field,
                          std::size_t capacity)
{
    char candidate[kPathCapacity];
    for (uint32_t number = 1; number <= kLastBackupNumber; ++number)
    {
        if (FormatToBuffer(candidate, sizeof(candidate), "%s_%03u", basePath, number) < 0)
        {
            return false;
        }
        if (probe(candidate) != BackupCandidate::InUse)
        {
            return CopyToBuffer(field, capacity, candidate);
        }
    }
    return false;
}
