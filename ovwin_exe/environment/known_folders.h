// The table of folders every part of the launcher takes its paths from.
#pragma once

#include "diagnostics/text_limits.h"

struct KnownFoldersRecord
{
    bool Loaded;
    char CurrDir[kPathCapacity];         // the launcher's folder, set by Initialize
    char WinDir[kPathCapacity];          // the Windows folder
    char SysDir[kPathCapacity];          // System32
    char SysWOW64Dir[kPathCapacity];     // the 32-bit system folder
    char ProgramsDir[kPathCapacity];     // start-menu programs + "\Altavy Solutions", no trailing backslash
    char UserDir[kPathCapacity];         // local application data
    char FonDir[kPathCapacity];          // fonts
    char ProgDataDir[kPathCapacity];     // common program data + "\Altavy"
    char TCacheParentDir[kPathCapacity]; // parent of the "_tcache1" cache
    char CurrBackupDir[kPathCapacity];   // backup folders, set when backups are prepared
    char FonBackupDir[kPathCapacity];
    char SysBackupDir[kPathCapacity];
    char SysWOW64BackupDir[kPathCapacity];
    char WinBackupDir[kPathCapacity];
};

extern KnownFoldersRecord KnownFoldersList;

// Fills the table once; always true.
bool LoadKnownFoldersList();
