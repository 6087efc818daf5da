#include "install/archive_installation.h"

#include "diagnostics/log.h"
#include "environment/known_folders.h"
#include "install/archive_public_key_win.h"
#include "install/archive_signature_win.h"
#include "install/backups.h"
#include "install/entry_destination.h"
#include "install/entry_installation_win.h"
#include "install/install_codes.h"
#include "install/tab_reader_win.h"
#include "sysinfo/system_info.h"
#include "ui/dialogs.h"

bool AllReplaced = true;

namespace
{
void ShowArchiveNotInstallable()
{
    ShowErrorDialog("Failed to open %s for installation.", kArchiveName);
}

// A refused archive is shown as one that cannot be opened; the replace mode
// also reports that its files were not replaced, since none of them was.
void RefuseArchive(uint32_t mode)
{
    ShowArchiveNotInstallable();
    if (mode == INSTALL_REPLACE)
    {
        AllReplaced = false;
    }
}

// The archive to install from, open, with the digests of its entries'
// contents when a configured key verified it.
struct InstallSource
{
    TABHandle tHnd;
    SignedArchive signature;

    // The signed digest of entry index, or null for an archive no key checked.
    const uint8_t* DigestOf(uint32_t index) const
    {
        return signature.Digests ? signature.Digests.Get() + index * kSha256Length : nullptr;
    }
};

// Opens the archive and, on a workstation given a public key, verifies it
// before anything is installed. Nothing, after the lines and the error box,
// when it cannot be installed from. Without a key the archive is read as it
// always was: its reserved bytes are not looked at.
std::optional<InstallSource> OpenInstallSource(uint32_t mode, const char* launcherKeyPath)
{
    const ArchivePublicKey key = ReadArchivePublicKey(launcherKeyPath);
    if (key.Setting == PublicKeySetting::Unusable)
    {
        ReportSignatureVerdict(key.Problem, kArchiveName);
        RefuseArchive(mode);
        return std::nullopt;
    }
    const bool keyConfigured = key.Setting == PublicKeySetting::Configured;
    std::optional<TABHandle> archive = OpenTABFile(keyConfigured ? HeaderBytes::Keep : HeaderBytes::Release);
    if (!archive)
    {
        ShowArchiveNotInstallable();
        return std::nullopt;
    }
    InstallSource source{std::move(*archive), SignedArchive()};
    if (keyConfigured)
    {
        TABHandle& tHnd = source.tHnd;
        source.signature =
            VerifyTABSignature(tHnd.hnd.Get(), tHnd.HeaderAndRecords.Get(), tHnd.HeaderSize, key.Point);
        ReportSignatureVerdict(source.signature.Verdict, tHnd.ArchiveName);
        if (source.signature.Verdict.Refusal != SignatureRefusal::None)
        {
            CloseTABFile(tHnd);
            RefuseArchive(mode);
            return std::nullopt;
        }
        // The entries need their digests only.
        tHnd.HeaderAndRecords.Reset();
    }
    return source;
}
} // namespace

void InstallTABFile(uint32_t mode, const char* launcherKeyPath)
{
    std::optional<InstallSource> source = OpenInstallSource(mode, launcherKeyPath);
    if (!source)
    {
        return;
    }
    TABHandle& tHnd = source->tHnd;
    const bool windows64Bit = IsWindows64Bit(SystemInfoObject);
    for (uint32_t index = 0; index < tHnd.FileCount; ++index)
    {
        const ArchiveEntry& entry = tHnd.Files.Get()[index];
        if (entry.FileName[0] == '\0')
        {
            continue;
        }
        const LogDepthScope depth;
        char path[kPathCapacity];
        const DestinationResult destination =
            BuildDestinationPath(entry, KnownFoldersList, windows64Bit, path, sizeof(path));
        if (destination == DestinationResult::Unknown)
        {
            continue;
        }
        if (destination == DestinationResult::TooLong)
        {
            ErrorLog("InstallTABFile: The destination path of %s in %s is too long; it is not installed.",
                     entry.FileName, entry.Destination);
            if (mode == INSTALL_REPLACE)
            {
                AllReplaced = false;
            }
            continue;
        }
        const uint8_t* signedDigest = source->DigestOf(index);
        if (mode == INSTALL_BY_TYPE)
        {
            if (CheckToInstallEntry(entry, path, tHnd.hnd.Get(), entry.InstallType, signedDigest) == 0)
            {
                ErrorLog("InstallTABFile: The attempt to install or upgrade %s has failed.", entry.FileName);
            }
        }
        else if (mode == INSTALL_REPLACE)
        {
            // An entry whose current file could not be kept is not overwritten.
            if (!BackupFile(entry.FileName, path, BackupKindOf(entry.Destination)) ||
                InstallEntry(entry, path, tHnd.hnd.Get(), signedDigest) == 0)
            {
                AllReplaced = false;
            }
        }
    }
    CloseTABFile(tHnd);
}
