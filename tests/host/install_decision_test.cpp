#include "install/install_decision.h"

#include "install/backup_folders.h"
#include "install/entry_destination.h"
#include "install/install_codes.h"
#include "support/archive_bytes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{
constexpr uint32_t kSize = 8192;

InstalledFile Present(TabTimestamp lastWrite, uint32_t size = kSize)
{
    return {InstalledState::Present, lastWrite, size};
}

InstalledFile NotThere(InstalledState state)
{
    return {state, {}, 0};
}

TabTimestamp Changed(TabTimestamp stamp, uint16_t TabTimestamp::*field, int by)
{
    stamp.*field = static_cast<uint16_t>(stamp.*field + by);
    return stamp;
}

ArchiveEntry Entry(const char* name, const char* destination)
{
    ArchiveEntry entry = {};
    CopyToBuffer(entry.FileName, sizeof(entry.FileName), name);
    CopyToBuffer(entry.Destination, sizeof(entry.Destination), destination);
    entry.Size = kSize;
    entry.Timestamp = kJulyMorning;
    return entry;
}
} // namespace

TEST(InstallDecision, EachRuleAgainstWhatIsInstalled)
{
    const TabTimestamp entry = kJulyMorning; // 2023-07-14 09:30:00.000
    const TabTimestamp secondsLater =
        Changed(Changed(entry, &TabTimestamp::Second, 59), &TabTimestamp::Milliseconds, 999);
    const TabTimestamp otherWeekday = Changed(entry, &TabTimestamp::DayOfWeek, 1);
    const TabTimestamp minuteLater = Changed(entry, &TabTimestamp::Minute, 1);
    const TabTimestamp minuteEarlier = Changed(entry, &TabTimestamp::Minute, -1);
    // A later year with an earlier month, and the reverse.
    const TabTimestamp yearEarlierMonthLater =
        Changed(Changed(entry, &TabTimestamp::Year, -1), &TabTimestamp::Month, 5);
    const TabTimestamp yearLaterMonthEarlier =
        Changed(Changed(entry, &TabTimestamp::Year, 1), &TabTimestamp::Month, -6);
    struct Row
    {
        uint32_t rule;
        InstalledFile installed;
        bool install;
        InstallReason reason;
    };
    const Row rows[] = {
        // Times count to the minute; sizes count for INSTALL_DIFFERENT only.
        {INSTALL_DIFFERENT, Present(secondsLater), false, InstallReason::Same},
        {INSTALL_DIFFERENT, Present(otherWeekday), false, InstallReason::Same},
        {INSTALL_DIFFERENT, Present(entry, kSize + 1), true, InstallReason::Differs},
        {INSTALL_DIFFERENT, Present(entry, kSize - 1), true, InstallReason::Differs},
        {INSTALL_DIFFERENT, Present(minuteLater), true, InstallReason::Differs},
        {INSTALL_DIFFERENT, NotThere(InstalledState::NotInstalled), true, InstallReason::NotInstalled},
        {INSTALL_NEWER, Present(minuteLater), false, InstallReason::EntryNotNewer},
        {INSTALL_NEWER, Present(minuteLater, 1), false, InstallReason::EntryNotNewer},
        {INSTALL_NEWER, Present(secondsLater, 1), false, InstallReason::EntryNotNewer},
        {INSTALL_NEWER, Present(minuteEarlier, kSize), true, InstallReason::EntryNewer},
        {INSTALL_NEWER, Present(yearEarlierMonthLater), true, InstallReason::EntryNewer},
        {INSTALL_NEWER, Present(yearLaterMonthEarlier), false, InstallReason::EntryNotNewer},
        {INSTALL_NEWER, NotThere(InstalledState::Unknown), true, InstallReason::NotInstalled},
        {INSTALL_DOES_NOT_EXIST, Present(entry), false, InstallReason::AlreadyInstalled},
        {INSTALL_DOES_NOT_EXIST, NotThere(InstalledState::NotInstalled), true, InstallReason::NotInstalled},
        // A file that cannot be read, or was not checked, counts as absent.
        {INSTALL_DOES_NOT_EXIST, NotThere(InstalledState::Unknown), true, InstallReason::NotInstalled},
        {INSTALL_DOES_NOT_EXIST, NotThere(InstalledState::NotChecked), true, InstallReason::NotInstalled},
        {INSTALL_ALWAYS, Present(entry), true, InstallReason::Always},
        {INSTALL_ALWAYS, NotThere(InstalledState::NotInstalled), true, InstallReason::NotInstalled},
        // The modes and any other number never install.
        {INSTALL_BY_TYPE, NotThere(InstalledState::NotInstalled), false, InstallReason::RuleNeverInstalls},
        {0, NotThere(InstalledState::NotInstalled), false, InstallReason::RuleNeverInstalls},
        {0, Present(minuteEarlier), false, InstallReason::RuleNeverInstalls},
        {INSTALL_REPLACE, Present(minuteEarlier), false, InstallReason::RuleNeverInstalls},
    };
    for (const Row& row : rows)
    {
        const InstallDecision decision = DecideEntryInstall(row.rule, row.installed, entry, kSize);
        EXPECT_EQ(decision.Install, row.install) << row.rule << " " << StampText(row.installed.LastWrite);
        EXPECT_EQ(decision.Reason, row.reason) << row.rule << " " << StampText(row.installed.LastWrite);
    }
}

TEST(InstallDecision, DescriptionsNameBothFilesWithTwoBlanksAfterTheComma)
{
    ArchiveEntry entry = Entry("a%s.dll", "CUR");
    entry.Timestamp = {2023, 12, 31, 0, 23, 5, 59, 999};
    entry.Size = 4097;
    const TabTimestamp installedTime = {2024, 1, 2, 2, 0, 0, 0, 0};
    char text[kMessageCapacity];
    struct Row
    {
        InstalledFile installed;
        std::string description;
    };
    const Row rows[] = {
        {NotThere(InstalledState::NotInstalled),
         "\"C:\\x\\a%s.dll\" Current File: Not Installed,  Installer File: 12-31-2023 23:05 4097"},
        {NotThere(InstalledState::Unknown),
         "\"C:\\x\\a%s.dll\" Current File: Unknown,  Installer File: 12-31-2023 23:05 4097"},
        {NotThere(InstalledState::NotChecked), ""},
        {Present(installedTime, 12),
         "\"C:\\x\\a%s.dll\" Current File: 1-2-2024 0:00 12,  Installer File: 12-31-2023 23:05 4097"},
    };
    for (const Row& row : rows)
    {
        EXPECT_TRUE(DescribeInstalledFile("C:\\x\\a%s.dll", row.installed, entry, text, sizeof(text)));
        EXPECT_EQ(text, row.description);
    }
    EXPECT_FALSE(DescribeInstalledFile("C:\\x\\a%s.dll", rows[0].installed, entry, text, 40));
    EXPECT_STREQ(text, "");
}

TEST(EntryDestination, EachCodeInItsFolderComparedExactly)
{
    KnownFoldersRecord folders = {};
    CopyToBuffer(folders.WinDir, sizeof(folders.WinDir), "C:\\Windows\\");
    CopyToBuffer(folders.SysDir, sizeof(folders.SysDir), "C:\\Windows\\System32\\");
    CopyToBuffer(folders.SysWOW64Dir, sizeof(folders.SysWOW64Dir), "C:\\Windows\\SysWOW64\\");
    CopyToBuffer(folders.FonDir, sizeof(folders.FonDir), "C:\\Windows\\Fonts\\");
    struct Row
    {
        const char* destination;
        bool windows64Bit;
        DestinationResult result;
        std::string path;
        uint32_t backupKind;
    };
    const Row rows[] = {
        {"CUR", true, DestinationResult::Built, "a.dll", BACKUP_CUR},
        {"FON", true, DestinationResult::Built, "C:\\Windows\\Fonts\\a.dll", BACKUP_FON},
        {"WIN", true, DestinationResult::Built, "C:\\Windows\\a.dll", BACKUP_WIN},
        {"SYS", true, DestinationResult::Built, "C:\\Windows\\SysWOW64\\a.dll", BACKUP_SYS},
        {"SYS", false, DestinationResult::Built, "C:\\Windows\\System32\\a.dll", BACKUP_SYS},
        {"S64", true, DestinationResult::Built, "C:\\Windows\\System32\\a.dll", BACKUP_SYS},
        {"sys", true, DestinationResult::Unknown, "", 0},
        {"SYS ", true, DestinationResult::Unknown, "", 0},
        {"", true, DestinationResult::Unknown, "", 0},
    };
    for (const Row& row : rows)
    {
        char path[kPathCapacity] = "left over";
        EXPECT_EQ(BuildDestinationPath(Entry("a.dll", row.destination), folders, row.windows64Bit, path,
                                       sizeof(path)),
                  row.result)
            << row.destination;
        EXPECT_EQ(path, row.path) << row.destination;
        EXPECT_EQ(BackupKindOf(row.destination), row.backupKind) << row.destination;
    }

    CopyToBuffer(folders.WinDir, sizeof(folders.WinDir), (std::string(220, 'w') + "\\").c_str());
    char path[kPathCapacity];
    EXPECT_EQ(
        BuildDestinationPath(Entry(std::string(38, 'n').c_str(), "WIN"), folders, true, path, sizeof(path)),
        DestinationResult::Built); // 259 characters
    EXPECT_EQ(
        BuildDestinationPath(Entry(std::string(39, 'n').c_str(), "WIN"), folders, true, path, sizeof(path)),
        DestinationResult::TooLong);
    EXPECT_STREQ(path, "");
}

TEST(EntryDestination, WindowsIs64BitForThisEditionOrUnderWow64OnAnX86Processor)
{
    SystemInfoRecord facts = {};
    EXPECT_FALSE(IsWindows64Bit(facts));
    facts.Is64BitEdition = true;
    EXPECT_TRUE(IsWindows64Bit(facts));
    facts = {};
    facts.IsWow64Eligible = true;
    EXPECT_TRUE(IsWindows64Bit(facts));
    facts.SystemInfo.ProcessorArchitecture = 12; // only an x86 processor counts
    EXPECT_FALSE(IsWindows64Bit(facts));
}

TEST(BackupFolders, EachKindHasItsFolderAndSystemFilesFollowTheWindowsWidth)
{
    KnownFoldersRecord folders = {};
    for (const BackupFolderRow& row : kBackupFolderRows)
    {
        CopyToBuffer(folders.*row.Field, kPathCapacity, row.BaseName);
    }
    EXPECT_STREQ(BackupFolderOf(BACKUP_CUR, folders, true), "tcache1");
    EXPECT_STREQ(BackupFolderOf(BACKUP_FON, folders, true), "Fonts");
    EXPECT_STREQ(BackupFolderOf(BACKUP_WIN, folders, true), "Windows");
    EXPECT_STREQ(BackupFolderOf(BACKUP_SYS, folders, true), "SysWOW64");
    EXPECT_STREQ(BackupFolderOf(BACKUP_SYS, folders, false), "System32");
    EXPECT_EQ(BackupFolderOf(INSTALL_ALWAYS, folders, true), nullptr);
    EXPECT_EQ(BackupFolderOf(0, folders, true), nullptr);
}

TEST(BackupFolders, TheLowestNumberThatHoldsNoBackupIsTaken)
{
    std::set<std::string> inUse;
    std::set<std::string> empty;
    std::vector<std::string> probed;
    const BackupCandidateProbe probe = [&](const char* candidate) {
        probed.push_back(candidate);
        return inUse.count(candidate) != 0   ? BackupCandidate::InUse
               : empty.count(candidate) != 0 ? BackupCandidate::EmptyFolder
                                             : BackupCandidate::Missing;
    };
    char field[kPathCapacity] = "";
    const char* base = "C:\\ProgramData\\Altavy\\backup\\Windows";

    // A clean machine, then a start that backed nothing up.
    EXPECT_TRUE(ChooseNumberedFolder(base, probe, field, sizeof(field)));
    EXPECT_STREQ(field, "C:\\ProgramData\\Altavy\\backup\\Windows_001");
    empty.insert(field);
    EXPECT_TRUE(ChooseNumberedFolder(base, probe, field, sizeof(field)));
    EXPECT_STREQ(field, "C:\\ProgramData\\Altavy\\backup\\Windows_001");

    // Backups are never overwritten by a later start.
    inUse.insert("C:\\ProgramData\\Altavy\\backup\\Windows_001");
    inUse.insert("C:\\ProgramData\\Altavy\\backup\\Windows_002");
    empty.insert("C:\\ProgramData\\Altavy\\backup\\Windows_004");
    probed.clear();
    EXPECT_TRUE(ChooseNumberedFolder(base, probe, field, sizeof(field)));
    EXPECT_STREQ(field, "C:\\ProgramData\\Altavy\\backup\\Windows_003");
    EXPECT_EQ(probed.size(), 3u);

    // With every number in use the field keeps what it held.
    for (int number = 1; number <= 999; ++number)
    {
        char candidate[kPathCapacity];
        std::snprintf(candidate, sizeof(candidate), "%s_%03d", base, number);
        inUse.insert(candidate);
    }
    probed.clear();
    EXPECT_FALSE(ChooseNumberedFolder(base, probe, field, sizeof(field)));
    EXPECT_STREQ(field, "C:\\ProgramData\\Altavy\\backup\\Windows_003");
    EXPECT_EQ(probed.size(), 999u);
    EXPECT_EQ(probed.back(), std::string(base) + "_999");

    // So does a base whose numbered path would not fit.
    EXPECT_FALSE(ChooseNumberedFolder(std::string(256, 'b').c_str(), probe, field, sizeof(field)));
    EXPECT_STREQ(field, "C:\\ProgramData\\Altavy\\backup\\Windows_003");
}
