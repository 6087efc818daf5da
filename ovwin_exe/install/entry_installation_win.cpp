#include "install/entry_installation_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "environment/administrative_rights.h"
#include "environment/file_system.h"
#include "environment/fs_redirection.h"
#include "install/archive_signature.h"
#include "install/install_decision.h"
#include "install/sha256_win.h"
#include "install/system_time_win.h"

#include <cstring>

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

// The SHA-256 of an entry's bytes, taken as they are copied, against the
// digest a verified archive's signature vouches for. Without a digest to
// meet it hashes nothing and every copy matches.
class ContentsDigest
{
  public:
    explicit ContentsDigest(const uint8_t* signedDigest) : signed_(signedDigest)
    {
        if (signed_ != nullptr)
        {
            outcome_ = stream_.Start();
        }
    }

    void Add(const void* bytes, DWORD length)
    {
        if (signed_ != nullptr && !outcome_.Failed())
        {
            outcome_ = stream_.Add(bytes, length);
        }
    }

    // Whether the bytes copied are the signed ones; false after the error
    // line. Bytes that could not be hashed are not taken on trust.
    bool Matches(const ArchiveEntry& entry)
    {
        if (signed_ == nullptr)
        {
            return true;
        }
        uint8_t digest[kSha256Length] = {};
        if (!outcome_.Failed())
        {
            outcome_ = stream_.Finish(digest);
        }
        if (outcome_.Failed())
        {
            char description[kErrorTextCapacity];
            FormatErrorString(static_cast<uint32_t>(outcome_.Status), description, sizeof(description),
                              kErrorKindNtStatus);
            ErrorLog("InstallEntry: Failed to install \"%s\"; its contents could not be checked against the "
                     "archive's signed digest: %s failed; %s",
                     entry.FileName, outcome_.Call, description);
            return false;
        }
        if (std::memcmp(digest, signed_, kSha256Length) != 0)
        {
            ErrorLog("InstallEntry: Failed to install \"%s\"; its contents differ from the archive's signed "
                     "digest.",
                     entry.FileName);
            return false;
        }
        return true;
    }

  private:
    const uint8_t* signed_;
    Sha256Stream stream_;
    CngOutcome outcome_;
};

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
               DWORD count, bool finalizing, ContentsDigest& contents)
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
    contents.Add(block, read);
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

bool CopyEntryBytes(const ArchiveEntry& entry, const char* destinationPath, HANDLE archive, HANDLE output,
                    const uint8_t* signedDigest)
{
    ContentsDigest contents(signedDigest);
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
        if (!CopyBlock(entry, destinationPath, archive, output, kCopyBlock, false, contents))
        {
            return false;
        }
    }
    const DWORD remainder = entry.Size % kCopyBlock;
    if (remainder != 0 && !CopyBlock(entry, destinationPath, archive, output, remainder, true, contents))
    {
        return false;
    }
    return contents.Matches(entry);
}
} // namespace

int32_t CheckToInstallEntry(const ArchiveEntry& entry, const char* destinationPath, HANDLE archive,
                            uint32_t installType, const uint8_t* signedDigest)
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
    return InstallEntry(entry, destinationPath, archive, signedDigest);
}

int32_t InstallEntry(const ArchiveEntry& entry, const char* destinationPath, HANDLE archive,
                     const uint8_t* signedDigest)
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
    const bool copied = CopyEntryBytes(entry, destinationPath, archive, output.Get(), signedDigest);
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
