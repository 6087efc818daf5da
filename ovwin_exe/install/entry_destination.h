// Where an archive entry is installed, and which backup kind guards it.
#pragma once

#include "environment/known_folders.h"
#include "install/tab_format.h"
#include "sysinfo/system_info.h"

#include <cstddef>
#include <cstdint>

// Windows is 64-bit when this is the 64-bit edition, or when a 32-bit
// process runs under WOW64 on an x86-compatible processor. Picks the folder
// of "SYS" entries and of their backups.
[[nodiscard]] bool IsWindows64Bit(const SystemInfoRecord& facts);

enum class DestinationResult
{
    Built,
    Unknown, // not one of the five codes, compared exactly: the entry is skipped
    TooLong, // the path would exceed its 259 characters
};

// The entry's folder followed directly by its name: "CUR" is the current
// folder (the name alone), "FON", "WIN" and "S64" the fonts, Windows and
// System32 folders, "SYS" the 32-bit system folder on 64-bit Windows and
// System32 otherwise. The path is empty unless Built.
DestinationResult BuildDestinationPath(const ArchiveEntry& entry, const KnownFoldersRecord& folders,
                                       bool windows64Bit, char* path, std::size_t capacity);

// BACKUP_CUR, BACKUP_FON, BACKUP_WIN, or BACKUP_SYS for "SYS" and "S64";
// 0 for any other destination.
[[nodiscard]] uint32_t BackupKindOf(const char* destination);
