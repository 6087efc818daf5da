#include "install/entry_installation_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "environment/administrative_rights.h"
#include "environment/file_system.h"
#include "environment/fs_redirection.h"
#include "install/install_decision.h"
#include "install/system_time_win.h"

namespace
{
constexpr DWORD kCopyBlock = 4096;

const char* Describe(DWORD error, char (&description)[kErrorTextCapacity])
{
    return FormatErrorString(error, description, sizeof(description));
}

// The installed file's size and last-write time, read in UTC as the file
// system keeps it. A file that cannot be opened counts as not installed.
InstalledFile ReadInstalledFile(const char* path)
{
    InstalledFile installed = {};
    if (FileExist(path) == 0)
    {
        installed.State = InstalledState::NotInstalled;
        return installed;
    }
    if (!DisableFSCompatibility())
    {
        installed.State = InstalledState::NotChecked;
        return installed;
    }
    HANDLE opened = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD openError = GetLastError();
    DebugLogAt(kLogDeveloper, "CheckToInstallEntry: Obtained file handle: %p", opened);
    if (opened == INVALID_HANDLE_VALUE)
    {
        char description[kErrorTextCapacity];
        ErrorLog("CheckToInstallEntry: An error occured attempting to open source file \"%s\"; %s", path,
                 Describe(openError, description));
        installed.State = InstalledState::Unknown;
    }
    else
    {
        LoggedHandle currentFile(opened, "CurrentFile");
        installed.State = InstalledState::Present;
        installed.Size = GetFileSize(opened, nullptr);
        FILETIME lastWrite = {};
        SYSTEMTIME utc = {};
        if (GetFileTime(opened, nullptr, nullptr, &lastWrite) && FileTimeToSystemTime(&lastWrite, &utc))
        {
            installed.LastWrite = FromSystemTime(utc);
        }
    }
    EnableFSCompatibility();
    return installed;
}

// The remainder's lines say "finalizing".
const char* StageOf(bool finalizing)
{
    return finalizing ? "finalizing " : "";
}

void LogReadFailure(const ArchiveEntry& entry, HANDLE archive, bool finalizing, DWORD error)
{
    char description[kErrorTextCapacity];
    ErrorLog("InstallEntry error: Error while %sreading source file \"%s\" (%p); %s", StageOf(finalizing),
             entry.FileName, archive, Describe(error, description));
}

// One read from the archive and one write to the destination of count
// bytes; false after the error line.
bool CopyBlock(const ArchiveEntry& entry, const char* destinationPath, HANDLE archive, HANDLE output,
               DWORD count, bool finalizing)
{
    const char* stage = StageOf(finalizing);
    char block[kCopyBlock];
    char description[kErrorTextCapacity];
    DWORD read = 0;
    if (!ReadFile(archive, block, count, &read, nullptr))
    {
        LogReadFailure(entry, archive, finalizing, GetLastError());
        return false;
    }
    if (read != count)
    {
        ErrorLog(
            "InstallEntry error: Error while %sreading source file \"%s\"; Expected %d bytes read, %d actual "
            "bytes read.",
            stage, entry.FileName, static_cast<int>(count), static_cast<int>(read));
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(output, block, read, &written, nullptr))
    {
        const DWORD error = GetLastError();
        ErrorLog("InstallEntry error: Error while %swriting destination file \"%s\"; %s", stage,
                 destinationPath, Describe(error, description));
        return false;
    }
    if (written != read)
    {
        ErrorLog("InstallEntry error: Error while copying file \"%s\" to \"%s\"; %sbytes written mismatch.",
                 entry.FileName, destinationPath, stage);
        return false;
    }
    return true;
}

bool CopyEntryBytes(const ArchiveEntry& entry, const char* destinationPath, HANDLE archive, HANDLE output)
{
    // DataOffset is a signed seek distance, so contents said to lie at 2 GiB
    // or beyond cannot be reached. A failed seek leaves the archive where the
    // last read stopped, and copying from there would install another
    // entry's bytes under this name: it fails the first read instead.
    if (SetFilePointer(archive, static_cast<LONG>(entry.DataOffset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        entry.Size > 0)
    {
        const DWORD error = GetLastError();
        if (error != NO_ERROR)
        {
            LogReadFailure(entry, archive, entry.Size < kCopyBlock, error);
            return false;
        }
    }
    for (uint32_t block = 0; block < entry.Size / kCopyBlock; ++block)
    {
        if (!CopyBlock(entry, destinationPath, archive, output, kCopyBlock, false))
        {
            return false;
        }
    }
    const DWORD remainder = entry.Size % kCopyBlock;
    return remainder == 0 || CopyBlock(entry, destinationPath, archive, output, remainder, true);
}
} // namespace

int32_t CheckToInstallEntry(const ArchiveEntry& entry, const char* destinationPath, HANDLE archive,
                            uint32_t installType)
{
    {
        const LogDepthScope entryDepth;
        const InstalledFile installed = ReadInstalledFile(destinationPath);
        char description[kMessageCapacity];
        DescribeInstalledFile(destinationPath, installed, entry, description, sizeof(description));
        if (const char* typeName = InstallTypeName(installType))
        {
            DebugLog("CheckToInstallEntry: InstallType is %s: %s", typeName, description);
        }
        const InstallDecision decision =
            DecideEntryInstall(installType, installed, entry.Timestamp, entry.Size);

        const LogDepthScope decisionDepth;
        if (!decision.Install)
        {
            DebugLogText("CheckToInstallEntry: This entry is installed and up-to-date.");
            return 1;
        }
        DebugLog("CheckToInstallEntry: Installing/Upgrading %s...", destinationPath);
        if (!MayRunAdministrativeStep())
        {
            ErrorLogText("CheckToInstallEntry: OVWin Entry install failed: Authority failure. You must be an "
                         "administrator.");
            return 0;
        }
        if (installed.State == InstalledState::Present && DisableFSCompatibility())
        {
            DeleteFileA(destinationPath);
            EnableFSCompatibility();
        }
    }
    return InstallEntry(entry, destinationPath, archive);
}

int32_t InstallEntry(const ArchiveEntry& entry, const char* destinationPath, HANDLE archive)
{
    if (archive == INVALID_HANDLE_VALUE)
    {
        ErrorLog("InstallEntry error: Error while reading source file \"%s\" (%p); The handle is invalid.",
                 entry.FileName, archive);
        return 0;
    }
    if (!DisableFSCompatibility())
    {
        ErrorLogText("InstallEntry: L4; Error copying file. Could not disable FS redirection.");
        return 0;
    }
    HANDLE created = CreateFileA(destinationPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD createError = GetLastError();
    DebugLogAt(kLogDeveloper, "InstallEntry: Obtained file handle: %p", created);
    if (created == INVALID_HANDLE_VALUE)
    {
        char description[kErrorTextCapacity];
        ErrorLog("InstallEntry: L3; Error copying file. Destination file creation resulted in "
                 "INVALID_HANDLE_VALUE; %s",
                 Describe(createError, description));
        EnableFSCompatibility();
        return 0;
    }
    LoggedHandle output(created, "Output");
    const bool copied = CopyEntryBytes(entry, destinationPath, archive, output.Get());
    if (copied)
    {
        // The entry's time is UTC, as file times are: no conversion.
        const SYSTEMTIME stamp = ToSystemTime(entry.Timestamp);
        FILETIME lastWrite = {};
        if (SystemTimeToFileTime(&stamp, &lastWrite))
        {
            SetFileTime(output.Get(), nullptr, nullptr, &lastWrite);
        }
    }
    output.Reset();
    if (!copied)
    {
        // Nothing half-written stays behind.
        DeleteFileA(destinationPath);
    }
    EnableFSCompatibility();
    return copied ? 1 : 0;
}
