#include "install/entry_destination.h"

#include "foundation/format_buffer.h"
#include "install/install_codes.h"

#include <cstring>

namespace
{
using FolderField = char (KnownFoldersRecord::*)[kPathCapacity];

// Folder is null for the current folder; Folder32 is where the row goes on
// 32-bit Windows when that differs.
struct DestinationRow
{
    const char* Code;
    FolderField Folder;
    FolderField Folder32;
    uint32_t BackupKind;
};

constexpr DestinationRow kDestinations[] = {
    {"CUR", nullptr, nullptr, BACKUP_CUR},
    {"FON", &KnownFoldersRecord::FonDir, nullptr, BACKUP_FON},
    {"WIN", &KnownFoldersRecord::WinDir, nullptr, BACKUP_WIN},
    {"SYS", &KnownFoldersRecord::SysWOW64Dir, &KnownFoldersRecord::SysDir, BACKUP_SYS},
    {"S64", &KnownFoldersRecord::SysDir, nullptr, BACKUP_SYS},
};

constexpr uint16_t kProcessorX86 = 0;

const DestinationRow* FindDestination(const char* code)
{
    for (const DestinationRow& row : kDestinations)
    {
        if (std::strcmp(code, row.Code) == 0)
        {
            return &row;
        }
    }
    return nullptr;
}
} // namespace

bool IsWindows64Bit(const SystemInfoRecord& facts)
{
    return facts.Is64BitEdition ||
           (facts.IsWow64Eligible && facts.SystemInfo.ProcessorArchitecture == kProcessorX86);
}

DestinationResult BuildDestinationPath(const ArchiveEntry& entry, const KnownFoldersRecord& folders,
                                       bool windows64Bit, char* path, std::size_t capacity)
{
    path[0] = '\0';
    const DestinationRow* row = FindDestination(entry.Destination);
    if (row == nullptr)
    {
        return DestinationResult::Unknown;
    }
    const FolderField field = !windows64Bit && row->Folder32 != nullptr ? row->Folder32 : row->Folder;
    const char* folder = field != nullptr ? folders.*field : "";
    return FormatToBuffer(path, capacity, "%s%s", folder, entry.FileName) < 0 ? DestinationResult::TooLong
                                                                              : DestinationResult::Built;
}

uint32_t BackupKindOf(const char* destination)
{
    const DestinationRow* row = FindDestination(destination);
    return row != nullptr ? row->BackupKind : 0;
}
