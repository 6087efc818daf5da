// The table of folders every part of the launcher takes its paths from.
#pragma once

#include "foundation/text_limits.h"

#include <cstddef>
#include <cstdint>

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

// The folders GetSpecialFolder knows, by the number callers pass.
enum SpecialFolderKind : uint32_t
{
    kFolderWindows = 0,
    kFolderSystem = 1,
    kFolderSystemX86 = 2,
    kFolderLocalAppData = 3,
    kFolderPrograms = 4,
    kFolderProgramData = 5,
    kFolderFonts = 6,
    kFolderCacheParent = 7, // chosen among several places, see GetSpecialFolder
};

// How a known-folder kind is looked up: what is appended to the folder and
// the error line of a failed look-up (none for the folders the launcher
// can do without).
struct SpecialFolderRule
{
    const wchar_t* Suffix;
    const char* FailureLine;
};

// The rule of kinds 0 to 6; null for any other kind.
const SpecialFolderRule* FindSpecialFolderRule(uint32_t kind);

// The folder of the kind into a destination of kPathCapacity bytes, without
// a trailing backslash. False when the folder could not be found (the
// destination is then unchanged), for an unknown kind, and for the cache
// parent when no user folder was found: the destination then holds the
// Windows folder.
bool GetSpecialFolder(uint32_t kind, char* destination);

// The folder of a kind from 0 to 6, as GetSpecialFolder finds it, without a
// line of its own: 0, or the code (an HRESULT) of the failed look-up. The
// destination is unchanged on failure.
[[nodiscard]] uint32_t LookUpSpecialFolder(uint32_t kind, char* destination);

// Whether the text's last character (not a trailing byte of a double-byte
// one) is a backslash.
[[nodiscard]] bool EndsWithBackslash(const char* path);

// Appends a backslash unless the path already ends with one or is empty (an
// empty folder stays empty, so that nobody builds paths on the drive's root
// from it). Keeps the path within capacity - 1 characters.
void AppendTrailingBackslash(char* path, std::size_t capacity);

// The cache counts as defaulted when its parent fell back to the Windows
// folder: the parent then contains the Windows folder's text. With no
// Windows folder known, only an empty parent counts.
[[nodiscard]] bool IsCacheDefaulted(const char* cacheParent, const char* windowsFolder);
