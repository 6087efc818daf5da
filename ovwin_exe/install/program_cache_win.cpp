#include "install/program_cache.h"

#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "environment/file_system.h"
#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"
#include "install/install_file_name_win.h"
#include "install/program_cache_rules.h"

#include <windows.h>

#include <optional>

namespace
{
// How the opening of a file is logged and under which name its handle is
// closed: "<Operation>: Obtained file handle: <Shown>%p".
struct HandleLabel
{
    const char* Operation;
    const char* Shown;
    const char* Name;
};
constexpr HandleLabel kCachedCopy = {"CheckToInstallDifferentFile", "InstallHandle=", "InstallHandle"};
constexpr HandleLabel kSourceFile = {"CheckToInstallDifferentFile", "CurrentHandle=", "CurrentHandle"};
constexpr HandleLabel kTouchedFile = {"TouchFile", "", "CurrentHandle"};

// Opens the file for reading without sharing, so a file that another
// process is writing counts as unreadable, and reads its stamp. Nothing when
// it cannot be opened.
std::optional<FileStamp> ReadStamp(const char* path, const HandleLabel& label)
{
    const HANDLE opened =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DebugLogAt(kLogDeveloper, "%s: Obtained file handle: %s%p", label.Operation, label.Shown, opened);
    if (opened == INVALID_HANDLE_VALUE)
    {
        return std::nullopt;
    }
    const LoggedHandle file(opened, label.Name);
    FileStamp stamp = {};
    stamp.Size = GetFileSize(file.Get(), nullptr);
    FILETIME written = {};
    SYSTEMTIME utc = {};
    if (GetFileTime(file.Get(), nullptr, nullptr, &written) && FileTimeToSystemTime(&written, &utc))
    {
        stamp.Year = utc.wYear;
        stamp.Month = utc.wMonth;
        stamp.Day = utc.wDay;
        stamp.Hour = utc.wHour;
        stamp.Minute = utc.wMinute;
    }
    return stamp;
}

bool LauncherOnWindowsDrive()
{
    return OnSameDrive(KnownFoldersList.CurrDir, KnownFoldersList.WinDir);
}

// One level only: the cache's parent folder is made by the configuration
// repair. A folder that cannot be made is not reported here; the copies
// into it fail and are.
void CreateCacheFolder(const char* folder, const char* line)
{
    if (!DirectoryExists(folder))
    {
        DebugLogText(line);
        CreateDirectoryA(folder, nullptr);
    }
}

// Calls visit(path, name) for every entry of the launcher's "tpe" subfolder
// but "." and "..", in the order the search returns them; subfolders are
// entries like files.
template <typename Visit>
void ForEachTpeEntry(Visit visit)
{
    char folder[kPathCapacity];
    char pattern[kPathCapacity];
    FormatToBuffer(folder, sizeof(folder), "%stpe\\", KnownFoldersList.CurrDir);
    FormatToBuffer(pattern, sizeof(pattern), "%s*.*", folder);
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA(pattern, &entry));
    if (!search)
    {
        return;
    }
    do
    {
        if (!IsDotEntry(entry.cFileName))
        {
            char path[kPathCapacity];
            FormatToBuffer(path, sizeof(path), "%s%s", folder, entry.cFileName);
            visit(path, entry.cFileName);
        }
    } while (FindNextFileA(search.Get(), &entry));
}
} // namespace

bool InstallVErozarFiles()
{
    if (LauncherOnWindowsDrive())
    {
        return false;
    }
    char cacheFolder[kPathCapacity];
    FormatToBuffer(cacheFolder, sizeof(cacheFolder), "%s_tcache1", KnownFoldersList.TCacheParentDir);
    CreateCacheFolder(cacheFolder, "InstallVErozarFiles: Creating cache folder...");
    for (const char* name : kProgramFiles)
    {
        char source[kPathCapacity];
        char copy[kPathCapacity];
        FormatToBuffer(source, sizeof(source), "%s%s", KnownFoldersList.CurrDir, name);
        FormatToBuffer(copy, sizeof(copy), "%s_tcache1\\%s", KnownFoldersList.TCacheParentDir, name);
        CheckToInstallDifferentFile(source, copy);
    }
    return true;
}

void InstallTPEFiles()
{
    if (LauncherOnWindowsDrive())
    {
        return;
    }
    char cacheFolder[kPathCapacity];
    FormatToBuffer(cacheFolder, sizeof(cacheFolder), "%s_tcache1\\tpe", KnownFoldersList.TCacheParentDir);
    CreateCacheFolder(cacheFolder, "InstallVErozarFiles: Creating TPE cache folder...");
    ForEachTpeEntry([](const char* source, const char* name) {
        char copy[kPathCapacity];
        FormatToBuffer(copy, sizeof(copy), "%s_tcache1\\tpe\\%s", KnownFoldersList.TCacheParentDir, name);
        CheckToInstallDifferentFile(source, copy);
    });
}

void TouchVErozarFiles()
{
    for (const char* name : kProgramFiles)
    {
        char path[kPathCapacity];
        FormatToBuffer(path, sizeof(path), "%s%s", KnownFoldersList.CurrDir, name);
        TouchFile(path);
    }
}

void TouchTPEFiles()
{
    ForEachTpeEntry([](const char* path, const char*) { TouchFile(path); });
}

void TouchFile(const char* path)
{
    // Only the open, the reads and the close: nothing learnt is kept.
    ReadStamp(path, kTouchedFile);
}

void CheckToInstallDifferentFile(const char* source, const char* destination)
{
    if (const std::optional<FileStamp> copy = ReadStamp(destination, kCachedCopy))
    {
        const std::optional<FileStamp> current = ReadStamp(source, kSourceFile);
        if (!current || CacheCopyIsCurrent(*copy, *current))
        {
            return; // a missing source leaves the readable copy in use
        }
        DeleteFileA(destination);
    }
    // The copy keeps the source's last-write time, so the next start finds
    // the two equal; a failed one is logged and tried again then.
    static_cast<void>(InstallFileName(source, destination));
}
