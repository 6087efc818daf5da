// The backup folders of a start: one set per start mode below the program
// data folder, with a numbered subfolder for each backup kind, and the rule
// that numbers them.
#pragma once

#include "environment/known_folders.h"

#include <cstddef>
#include <cstdint>
#include <functional>

using BackupFolderField = char (KnownFoldersRecord::*)[kPathCapacity];

// A subfolder of the set: its base name and the field of the known folders
// that holds its numbered path.
struct BackupFolderRow
{
    const char* BaseName;
    BackupFolderField Field;
    const char* FieldName; // as the log names it
};

// The five rows, in the order they are prepared.
constexpr std::size_t kBackupFolderRowCount = 5;
extern const BackupFolderRow kBackupFolderRows[kBackupFolderRowCount];

// The folder a backup of the kind goes to, as the set's preparation left it
// (empty when it was not prepared); null for an unknown kind. BACKUP_SYS
// goes to the SysWOW64 subfolder on 64-bit Windows, also for an entry of
// System32.
const char* BackupFolderOf(uint32_t kind, const KnownFoldersRecord& folders, bool windows64Bit);

// What stands at a numbered candidate.
enum class BackupCandidate
{
    Missing,
    EmptyFolder,
    InUse, // a folder that holds a backup, or anything that is not a folder
};
using BackupCandidateProbe = std::function<BackupCandidate(const char* candidate)>;

constexpr uint32_t kLastBackupNumber = 999;

// Sets field to BASE_NNN with the lowest number from 001 to 999 whose
// candidate is missing or an empty folder: a start that backs nothing up
// leaves its folder for the next, and a backup is never overwritten by a
// later start. False, the field unchanged, when every number is in use or
// the path would not fit.
bool ChooseNumberedFolder(const char* basePath, const BackupCandidateProbe& probe, char* field,
                          std::size_t capacity);
