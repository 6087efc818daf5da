// The known folders, the check of the company key and the configuration
// step in both of its modes, with the system facts set by each test.
#include "diagnostics/format_buffer.h"
#include "diagnostics/log.h"
#include "environment/config_locations.h"
#include "environment/known_folders.h"
#include "launcher/launch_options.h"
#include "support/security_builder.h"
#include "support/system_facts.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <aclapi.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>
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
    // The debug messages from the first that starts with the text on.
    std::vector<std::string> From(const std::string& start) const
    {
        std::vector<std::string> lines = DebugMessages();
        for (std::size_t i = 0; i < lines.size(); ++i)
        {
            if (lines[i].find(start) != std::string::npos)
            {
                return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end());
            }
        }
        return {};
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

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
} // namespace

TEST_F(ConfigLocations, KnownFoldersAreLoadedOnceWithTheirTrailingBackslashes)
{
    ASSERT_TRUE(LoadKnownFoldersList());
    const KnownFoldersRecord& list = KnownFoldersList;
    EXPECT_TRUE(list.Loaded);
    EXPECT_STREQ(list.WinDir, "C:\\windows\\");
    EXPECT_STREQ(list.SysDir, "C:\\windows\\system32\\");
    EXPECT_STREQ(list.SysWOW64Dir, "C:\\windows\\syswow64\\");
    EXPECT_STREQ(list.FonDir, "C:\\windows\\Fonts\\");
    EXPECT_STREQ(list.ProgDataDir, "C:\\ProgramData\\Altavy\\");
    EXPECT_STREQ(list.UserDir, "C:\\users\\root\\AppData\\Local\\");
    EXPECT_STREQ(list.ProgramsDir,
                 "C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Altavy "
                 "Solutions");
    EXPECT_EQ(std::string(list.TCacheParentDir), std::string(list.UserDir) + "Oskelt\\Orvanta\\");
    EXPECT_FALSE(IsCacheDefaulted(list.TCacheParentDir, list.WinDir));
    EXPECT_EQ(list.CurrDir[0], '\0');
    EXPECT_EQ(list.CurrBackupDir[0], '\0');

    // Loaded is loaded: a second call changes nothing.
    KnownFoldersList.WinDir[0] = 'X';
    EXPECT_TRUE(LoadKnownFoldersList());
    EXPECT_EQ(KnownFoldersList.WinDir[0], 'X');
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{
                                DeveloperLine(0, "@ LoadKnownFoldersList() {"),
                                DeveloperLine(0, "@ } LoadKnownFoldersList"),
                                DeveloperLine(0, "@ LoadKnownFoldersList() {"),
                                DeveloperLine(0, "@ } LoadKnownFoldersList"),
                            }));
}

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

TEST_F(ConfigLocations, MissingCompanyKeyNeedsAnUpdate)
{
    EXPECT_TRUE(CheckConfigRegistry());
    EXPECT_EQ(Diagnostic(),
              (std::vector<std::string>{
                  "CheckConfigRegistry: Checking registry configuration key.",
                  "CheckConfigRegistry: Key \"HKLM\\SOFTWARE\\Altavy Solutions Inc.\" does not exist; "
                  "update is required.",
              }));
}

TEST_F(ConfigLocations, ExistingCompanyKeyIsJudgedByItsReflectionAndItsDacl)
{
    TestDescriptor open(administrators_.Get());
    open.Allow(administrators_.Get(), KEY_ALL_ACCESS).Allow(everyone_.Get(), KEY_ALL_ACCESS);
    CreateCompanyKey(open);
    // Wine cannot tell whether the key is reflected.
    EXPECT_TRUE(CheckConfigRegistry());
    const std::vector<std::string> lines = Diagnostic();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind(
                  "CheckConfigRegistry: Couldn't query reflection status on key \"HKLM\\SOFTWARE\\Altavy "
                  "Solutions Inc.\"; ([WIN32 0x00000078/C0120] ",
                  0),
              0u)
        << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 31), "); assuming update is required.");

    // Before Windows 7 there is no reflection to ask about.
    UseSystemFacts(false);
    ForgetLines();
    EXPECT_FALSE(CheckConfigRegistry());
    EXPECT_EQ(From("CheckConfigRegistry: Registry key").at(0),
              DiagnosticLine(0,
                             "CheckConfigRegistry: Registry key \"HKLM\\SOFTWARE\\Altavy Solutions Inc.\" is "
                             "validated. No update is required."));

    TestDescriptor readOnly(administrators_.Get());
    readOnly.Allow(administrators_.Get(), KEY_ALL_ACCESS).Allow(everyone_.Get(), KEY_READ);
    CreateCompanyKey(readOnly);
    ForgetLines();
    EXPECT_TRUE(CheckConfigRegistry());
    EXPECT_EQ(Diagnostic().back(),
              "CheckConfigRegistry: Everyone does not have full access to key \"HKLM\\SOFTWARE\\"
              "Altavy Solutions Inc.\"; update is required.");

    TestDescriptor administratorsOnly(administrators_.Get());
    administratorsOnly.Allow(administrators_.Get(), KEY_ALL_ACCESS);
    CreateCompanyKey(administratorsOnly);
    ForgetLines();
    EXPECT_TRUE(CheckConfigRegistry());
    EXPECT_EQ(Diagnostic().back(),
              "CheckConfigRegistry: Couldn't validate Everyone access on key \"HKLM\\SOFTWARE\\"
              "Altavy Solutions Inc.\"; assuming update is required.");
    EXPECT_EQ(ErrorLines().size(), 1u); // the denied access check itself
}

TEST_F(ConfigLocations, BeforeWindows7AnAdministratorRepairsAllButWinIni)
{
    UseSystemFacts(false);
    SystemInfoObject.IsAdminInvoked = true;
    LoadFolders();
    InitConfigLocations(kConfigCheckAndRepair);
    // Without the access checks both folders count as in need of repair.
    EXPECT_EQ(
        Diagnostic(),
        (std::vector<std::string>{
            "InitConfigLocations: Beginning configuration environment check.",
            "CheckConfigRegistry: Checking registry configuration key.",
            "CheckConfigRegistry: Key \"HKLM\\SOFTWARE\\Altavy Solutions Inc.\" does not exist; update is "
            "required.",
            "InitConfigLocations: C:\\windows\\win.ini appears to be blocked. This will cause "
            "application errors if the win.ini cannot be read or written.",
            "InitConfigLocations: Registry updates required.",
            "InitConfigLocations: File System configuration location updates required.",
            "InitConfigLocations: File System cache location updates required.",
            "InitConfigLocations: Completed configuration environment check.",
        }));
    EXPECT_EQ(ErrorCount, 1u);
}

TEST_F(ConfigLocations, RepairModeRepairsEverythingAndSkipsADefaultedCache)
{
    UseSystemFacts(false);
    SystemInfoObject.IsAdminInvoked = true;
    LoadFolders();
    CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, KnownFoldersList.WinDir);
    LaunchOptions.RepairMode.Set = true;
    InitConfigLocations(kConfigCheckAndRepair);
    LaunchOptions.RepairMode.Set = false;
    const std::vector<std::string> lines = Diagnostic();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{
                  "InitConfigLocations: Registry updates required.",
                  "InitConfigLocations: File System configuration location updates required.",
                  "InitConfigLocations: File System cache location updates required.",
                  "InitConfigLocations: Completed configuration environment check.",
              }));
    for (const std::string& line : DebugMessages())
    {
        EXPECT_EQ(line.find("_tcache1"), std::string::npos) << line;
    }
}

TEST_F(ConfigLocations, InspectionRelocatesLegacySettingsFilesOnly)
{
    const std::string windows = folder_ + "windows\\";
    const std::string parent = folder_ + "parent\\";
    CreateDirectoryA(windows.c_str(), nullptr);
    CreateDirectoryA(parent.c_str(), nullptr);
    std::ofstream(windows + "ovwin.ini") << "legacy ini";
    std::ofstream(windows + "ovwin.var") << "legacy var";
    std::ofstream(parent + "ovwin.var") << "current var";
    CopyToBuffer(KnownFoldersList.WinDir, kPathCapacity, windows.c_str());
    CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, parent.c_str());

    InitConfigLocations(kConfigInspectOnly);
    EXPECT_EQ(ReadFile(parent + "ovwin.ini"), "legacy ini");
    EXPECT_EQ(ReadFile(parent + "ovwin.var"), "current var"); // a copy that is there stays
    EXPECT_EQ(GetFileAttributesA((parent + "rerodedu.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFile(windows + "ovwin.ini"), "legacy ini"); // the original too
    EXPECT_EQ(Diagnostic(), std::vector<std::string>{"InitConfigLocations: Checking configuration."});

    // A parent that does not exist: the copy fails and says so in capitals.
    const std::string gone = folder_ + "gone\\";
    CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, gone.c_str());
    ForgetLines();
    InitConfigLocations(kConfigInspectOnly);
    std::string expected = gone + "\\ovwin.ini";
    for (char& c : expected)
    {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(ErrorLines(),
              (std::vector<std::string>{"ERROR !!  File Relocation: Failed to copy " + expected, "",
                                        "ERROR !!  File Relocation: Failed to copy " +
                                            expected.substr(0, expected.size() - 3) + "VAR",
                                        ""}));

    // A defaulted cache, and any other mode, leave everything alone.
    CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, windows.c_str());
    ForgetLines();
    InitConfigLocations(kConfigInspectOnly);
    InitConfigLocations(2);
    EXPECT_EQ(Diagnostic(), std::vector<std::string>{"InitConfigLocations: Checking configuration."});
    EXPECT_TRUE(ErrorLines().empty());
    for (const char* name : {"ovwin.ini", "ovwin.var"})
    {
        DeleteFileA((parent + name).c_str());
        DeleteFileA((windows + name).c_str());
    }
    RemoveDirectoryA(parent.c_str());
    RemoveDirectoryA(windows.c_str());
}
