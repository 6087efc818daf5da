// The backup set of a start and the copies made into it, on real folders:
// which folder each kind goes to, what a second copy of a name leaves, and
// that nothing is copied anywhere when the set could not be prepared.
#include "diagnostics/log.h"
#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "install/backups.h"
#include "install/install_codes.h"
#include "support/system_facts.h"
#include "support/win_log_fixture.h"
#include "sysinfo/system_info.h"
#include "ui/splash_win.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace
{
class Backups : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        UseSystemFacts(true);
        SystemInfoObject.Is64BitEdition = true;
        saved_ = KnownFoldersList;
        KnownFoldersList = KnownFoldersRecord{};
        programData_ = folder_ + "ProgramData\\";
        CopyToBuffer(KnownFoldersList.ProgDataDir, kPathCapacity, programData_.c_str());
        CreateDirectoryA(programData_.c_str(), nullptr);
        CreateDirectoryA((folder_ + "installed").c_str(), nullptr);
    }
    void TearDown() override
    {
        KnownFoldersList = saved_;
        std::filesystem::remove_all(programData_);
        std::filesystem::remove_all(folder_ + "installed");
        WinLogTest::TearDown();
    }

    std::string Installed(const std::string& name, const std::string& contents) const
    {
        const std::string path = folder_ + "installed\\" + name;
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(missing)";
    }

    KnownFoldersRecord saved_;
    std::string programData_;
};
} // namespace

TEST_F(Backups, EachKindGoesToItsNumberedFolderAndASecondCopyOfANameReplacesTheFirst)
{
    PrepareForBackup("backup-replace");
    const std::string set = programData_ + "backup-replace\\";
    EXPECT_EQ(std::string(KnownFoldersList.CurrBackupDir), set + "tcache1_001");
    EXPECT_EQ(std::string(KnownFoldersList.SysBackupDir), set + "System32_001");
    for (const char* folder : {"tcache1_001", "Fonts_001", "Windows_001", "System32_001", "SysWOW64_001"})
    {
        EXPECT_TRUE(std::filesystem::is_directory(set + folder)) << folder;
    }
    EXPECT_TRUE(ErrorLines().empty());

    // On 64-bit Windows every system file's backup goes to the SysWOW64
    // folder, also one from System32.
    EXPECT_TRUE(BackupFile("engine.dll", Installed("first.dll", "first").c_str(), BACKUP_SYS));
    EXPECT_TRUE(BackupFile("engine.dll", Installed("second.dll", "second").c_str(), BACKUP_SYS));
    EXPECT_EQ(Read(set + "SysWOW64_001\\engine.dll"), "second");
    EXPECT_EQ(Read(set + "System32_001\\engine.dll"), "(missing)");
    EXPECT_TRUE(BackupFile("font.ttf", Installed("font.ttf", "font").c_str(), BACKUP_FON));
    EXPECT_EQ(Read(set + "Fonts_001\\font.ttf"), "font");

    // A file that is not installed needs no backup, but is shown all the same.
    ForgetLines();
    const std::string absent = folder_ + "installed\\absent.dll";
    EXPECT_TRUE(BackupFile("absent%s.dll", absent.c_str(), BACKUP_WIN));
    const std::string shown = "Backing up \"absent%s.dll\" to " + set + "Windows_001\\absent%s.dll";
    EXPECT_EQ(std::string(SubStatusText), shown);
    EXPECT_EQ(DebugMessagesWith("Backing up"),
              std::vector<std::string>{DiagnosticLine(0, "UpdateSubStatus: " + shown)});
    EXPECT_TRUE(std::filesystem::is_empty(set + "Windows_001"));

    EXPECT_FALSE(BackupFile("a.dll", Installed("a.dll", "a").c_str(), INSTALL_ALWAYS));
    EXPECT_EQ(ErrorLines(), std::vector<std::string>{"ERROR !!  Failed to back up file \"" + folder_ +
                                                     "installed\\a.dll\" -- This InstallType is unknown."});
}

TEST_F(Backups, WithoutTheProgramDataFolderNoSetIsPreparedAndNothingIsCopiedAnywhere)
{
    std::filesystem::remove_all(programData_);
    PrepareForBackup("backup");
    EXPECT_EQ(ErrorLines(), std::vector<std::string>{"ERROR !!  OVWin backup folder creation failed: The "
                                                     "configuration location \"" +
                                                     programData_ + "\" is missing."});
    EXPECT_STREQ(KnownFoldersList.WinBackupDir, "");

    // An unprepared folder would put the copy in the drive's root.
    const std::string name = "ovwin-backup-test-" + std::to_string(GetCurrentProcessId()) + ".dll";
    ForgetLines();
    EXPECT_FALSE(BackupFile(name.c_str(), Installed(name, "x").c_str(), BACKUP_WIN));
    EXPECT_EQ(GetFileAttributesA(("\\" + name).c_str()), INVALID_FILE_ATTRIBUTES);
    const std::vector<std::string> errors = ErrorLines();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("ERROR !!  Failed to back up file \"" + folder_ + "installed\\" + name +
                                  "\" to \\" + name + "; [WIN32 0x00000003/C0003] ",
                              0),
              0u)
        << errors[0];
}
