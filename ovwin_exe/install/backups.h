// Backups of installed files before the replace mode overwrites them or the
// COM step replaces an assembly: plain copies into the numbered folders of
// the start's backup set. Nothing in the launcher restores them.
#pragma once

#include <cstdint>

// Prepares the backup set named after the start mode ("backup",
// "backup-preload" or "backup-replace") in the program data folder: numbers
// each of its five subfolders, records them in the known folders and
// creates those that are missing. Failures are logged.
void PrepareForBackup(const char* modeName);

// Copies the file at currentPath into the folder of the backup kind under
// its bare fileName, replacing an earlier copy there. True when copied, or
// when no file is installed there; false for an unknown kind or a failed
// copy (also when the set could not be prepared this start).
[[nodiscard]] bool BackupFile(const char* fileName, const char* currentPath, uint32_t backupKind);

// Sets field (kPathCapacity bytes) to basePath followed by "_NNN", the
// number chosen as ChooseNumberedFolder says; unchanged when none is free.
void NumberedFolderName(const char* basePath, char* field);
