// The known folders, the check of the company key and the configuration
// step in both of its modes, with the system facts set by each test: what a
// start on Wine (Windows 7, an elevated administrator) cannot show.
#include "diagnostics/log.h"
#include "environment/config_locations.h"
#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "support/security_builder.h"
#include "support/system_facts.h"
#include "support/win_log_fixture.h"
#include "sysinfo/system_info.h"

#include <windows.h>

#include <aclapi.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <string>

namespace
{
const char* const kCompanyKey = "SOFTWARE\\Altavy Solutions Inc.";

class ConfigLocations : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        UseSystemFacts(true);
        std::memset(&KnownFoldersList, 0, sizeof(KnownFoldersList));
        DeleteCompanyKey();
    }
    void TearDown() override
    {
        DeleteCompanyKey();
        std::memset(&KnownFoldersList, 0, sizeof(KnownFoldersList));
        WinLogTest::TearDown();
    }
    // The table as a start fills it, without the lines that wrote.
    void LoadFolders()
    {
        ASSERT_TRUE(LoadKnownFoldersList());
        ForgetLines();
        ErrorCount = 0;
    }
    static void DeleteCompanyKey() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kCompanyKey, KEY_WOW64_64KEY, 0); }
    // The company key with a DACL of the test's making.
    static void CreateCompanyKey(TestDescriptor& descriptor)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCompanyKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_TRUE(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.Get()) == ERROR_SUCCESS);
        RegCloseKey(key);
    }
    // Only the messages of the level-1 and error lines, which a support
    // engineer reads.
    std::vector<std::string> Diagnostic() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : DebugMessages())
        {
            if (line.rfind("DEBUG X", 0) != 0)
            {
                lines.push_back(line.substr(line.find_first_not_of(' ', 9)));
            }
        }
        return lines;
    }

    TestSid everyone_ = TestSid::WellKnown(WinWorldSid);
    TestSid administrators_ = TestSid::WellKnown(WinBuiltinAdministratorsSid);
};
} // namespace

TEST_F(ConfigLocations, AFolderThatCannotBeFoundIsReportedAndLeftEmpty)
{
    // Wine names the 32-bit system folder only while it exists.
    ASSERT_TRUE(RemoveDirectoryA("C:\\windows\\syswow64"));
    LoadKnownFoldersList();
    CreateDirectoryA("C:\\windows\\syswow64", nullptr);
    EXPECT_EQ(ErrorLines(),
              std::vector<std::string>{"ERROR !!  GetSpecialFolder: Could not retrieve OS SysWOW64 "
                                       "folder location. This operation may require rights that are "
                                       "being prevent by a system policy."});
    // No backslash: an empty folder must not turn into the drive's root.
    EXPECT_STREQ(KnownFoldersList.SysWOW64Dir, "");
    EXPECT_STREQ(KnownFoldersList.SysDir, "C:\\windows\\system32\\");
}

TEST_F(ConfigLocations, BeforeWindows7TheCacheParentIsTheRoamingFolderOrTheWindowsFolder)
{
    UseSystemFacts(false);
    char saved[MAX_PATH] = "";
    GetEnvironmentVariableA("APPDATA", saved, sizeof(saved));
    SetEnvironmentVariableA("APPDATA", "C:\\Roaming");
    char parent[kPathCapacity] = "";
    EXPECT_TRUE(GetSpecialFolder(kFolderCacheParent, parent));
    EXPECT_STREQ(parent, "C:\\Roaming\\Oskelt\\Orvanta");

    SetEnvironmentVariableA("APPDATA", "");
    EXPECT_FALSE(GetSpecialFolder(kFolderCacheParent, parent));
    EXPECT_STREQ(parent, "C:\\windows");
    SetEnvironmentVariableA("APPDATA", nullptr);
    LoadFolders();
    EXPECT_STREQ(KnownFoldersList.TCacheParentDir, "C:\\windows\\");
    EXPECT_TRUE(IsCacheDefaulted(KnownFoldersList.TCacheParentDir, KnownFoldersList.WinDir));
    SetEnvironmentVariableA("APPDATA", saved);

    EXPECT_FALSE(GetSpecialFolder(8, parent));
    EXPECT_EQ(ErrorLines(), std::vector<std::string>{"ERROR !!  Unknown folder type."});
}

TEST_F(ConfigLocations, ExistingCompanyKeyIsJudgedByItsDacl)
{
    // Before Windows 7 there is no reflection to ask about (Wine cannot
    // answer that question, as the end-to-end tests show).
    UseSystemFacts(false);
    TestDescriptor open(administrators_.Get());
    open.Allow(administrators_.Get(), KEY_ALL_ACCESS).Allow(everyone_.Get(), KEY_ALL_ACCESS);
    TestDescriptor readOnly(administrators_.Get());
    readOnly.Allow(administrators_.Get(), KEY_ALL_ACCESS).Allow(everyone_.Get(), KEY_READ);
    TestDescriptor administratorsOnly(administrators_.Get());
    administratorsOnly.Allow(administrators_.Get(), KEY_ALL_ACCESS);
    const std::string key = "key \"HKLM\\SOFTWARE\\Altavy Solutions Inc.\"";
    const struct
    {
        TestDescriptor& dacl;
        bool update;
        std::string line;
    } rows[] = {
        {open, false, "CheckConfigRegistry: Registry " + key + " is validated. No update is required."},
        {readOnly, true,
         "CheckConfigRegistry: Everyone does not have full access to " + key + "; update is required."},
        {administratorsOnly, true,
         "CheckConfigRegistry: Couldn't validate Everyone access on " + key +
             "; assuming update is required."},
    };
    for (const auto& row : rows)
    {
        CreateCompanyKey(row.dacl);
        ForgetLines();
        EXPECT_EQ(CheckConfigRegistry(), row.update) << row.line;
        EXPECT_EQ(Diagnostic().back(), row.line);
    }
    EXPECT_EQ(ErrorCount, 1u); // the denied access check itself
}

TEST_F(ConfigLocations, BeforeWindows7AnAdministratorRepairsTheKeyAndIsToldTheFoldersCannotBe)
{
    UseSystemFacts(false);
    SystemInfoObject.IsAdminInvoked = true;
    LoadFolders();
    InitConfigLocations(kConfigCheckAndRepair, false);
    // Without the access checks both folders count as in need of repair,
    // which only Windows 7 and later can make.
    const std::vector<std::string> cacheRepair = {
        "InitConfigLocations: File System cache location updates required.",
        "UpdateCacheFolder: Operation is invalid on this operating system. Requires Windows 7 or newer.",
        "InitConfigLocations: Completed configuration environment check.",
    };
    std::vector<std::string> expected = {
        "InitConfigLocations: Beginning configuration environment check.",
        "CheckConfigRegistry: Checking registry configuration key.",
        "CheckConfigRegistry: Key \"HKLM\\SOFTWARE\\Altavy Solutions Inc.\" does not exist; update is "
        "required.",
        "InitConfigLocations: C:\\windows\\win.ini appears to be blocked. This will cause "
        "application errors if the win.ini cannot be read or written.",
        "InitConfigLocations: Registry updates required.",
        "UpdateConfigRegistry: Installing/modifying registry configuration key.",
        "UpdateConfigRegistry: Registry tasks completed successfully.",
        "InitConfigLocations: File System configuration location updates required.",
        "UpdateConfigAppData: Operation is invalid on this operating system. Requires Windows 7 or newer.",
    };
    expected.insert(expected.end(), cacheRepair.begin(), cacheRepair.end());
    EXPECT_EQ(Diagnostic(), expected);
    EXPECT_EQ(ErrorCount, 2u);
    // The key exists, and neither virtualization nor security was touched.
    DWORD stage = 0;
    DWORD size = sizeof(stage);
    EXPECT_EQ(
        RegGetValueA(HKEY_LOCAL_MACHINE, kCompanyKey, "_icode", RRF_RT_REG_DWORD, nullptr, &stage, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(stage, 1u);

    // The repair switch repairs the same, but never checks a cache that
    // fell back to the Windows folder.
    CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, KnownFoldersList.WinDir);
    ForgetLines();
    InitConfigLocations(kConfigCheckAndRepair, true);
    const std::vector<std::string> repaired = Diagnostic();
    EXPECT_EQ(std::vector<std::string>(repaired.end() - 3, repaired.end()), cacheRepair);
    EXPECT_TRUE(DebugMessagesWith("_tcache1").empty());
}

TEST_F(ConfigLocations, InspectionReportsACopyThatFailsAndSkipsADefaultedCache)
{
    // The copies themselves are read back by the end-to-end tests.
    const std::string windows = folder_ + "windows\\";
    CreateDirectoryA(windows.c_str(), nullptr);
    std::ofstream(windows + "ovwin.ini") << "legacy ini";
    std::ofstream(windows + "ovwin.var") << "legacy var";
    CopyToBuffer(KnownFoldersList.WinDir, kPathCapacity, windows.c_str());

    // A parent that does not exist: the copy fails and says so in capitals.
    std::string gone = folder_ + "gone\\";
    CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, gone.c_str());
    InitConfigLocations(kConfigInspectOnly, false);
    for (char& c : gone)
    {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::string failed = "ERROR !!  File Relocation: Failed to copy " + gone + "\\OVWIN.";
    EXPECT_EQ(ErrorLines(), (std::vector<std::string>{failed + "INI", "", failed + "VAR", ""}));

    // A defaulted cache, and any other mode, leave everything alone.
    CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, windows.c_str());
    ForgetLines();
    InitConfigLocations(kConfigInspectOnly, false);
    InitConfigLocations(2, false);
    EXPECT_EQ(Diagnostic(), std::vector<std::string>{"InitConfigLocations: Checking configuration."});
    EXPECT_TRUE(ErrorLines().empty());
    DeleteFileA((windows + "ovwin.ini").c_str());
    DeleteFileA((windows + "ovwin.var").c_str());
    RemoveDirectoryA(windows.c_str());
}
