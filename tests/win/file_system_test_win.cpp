// Existence tests, registry values and version resources.
#include "diagnostics/log.h"
#include "environment/file_system.h"
#include "resources/version.h"
#include "support/system_facts.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>

namespace
{
const char* const kTestKey = "SOFTWARE\\OVWin Unit Tests";

class FileSystem : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        UseSystemFacts(true);
        file_ = folder_ + "present.txt";
        std::ofstream(file_) << "text";
    }
    void TearDown() override
    {
        DeleteFileA(file_.c_str());
        WinLogTest::TearDown();
    }

    std::string file_;
};

// Milliseconds a call takes.
template <typename Call>
long long Timed(Call call)
{
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}
} // namespace

TEST_F(FileSystem, FileExistFindsFilesFoldersAndPatterns)
{
    EXPECT_EQ(FileExist(file_.c_str()), 1);
    ForgetLines();
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    EXPECT_EQ(FileExist(folder.c_str()), 1); // the folder's own entry
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{
                                DeveloperLine(0, "@ FileExist() {"),
                                DeveloperLine(2, "FileExist: \"" + folder + "\" is present."),
                                DeveloperLine(0, "@ } FileExist"),
                            }));
    EXPECT_EQ(FileExist((folder_ + "pres*.t?t").c_str()), 1);
    ForgetLines();
    EXPECT_EQ(FileExist((folder_ + "absent*.txt").c_str()), 0);
    EXPECT_TRUE(HasDebugLine(DeveloperLine(2, "FileExist: \"" + folder_ +
                                                  "absent*.txt\" does not exist (INVALID_HANDLE_VALUE).")));
    EXPECT_EQ(LogDepth, 0);
}

TEST_F(FileSystem, DirectoryExistsOnlyForFoldersAndAlwaysPauses)
{
    bool result = false;
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    EXPECT_GE(Timed([&] { result = DirectoryExists(folder.c_str()); }), 99);
    EXPECT_TRUE(result);
    EXPECT_TRUE(HasDebugLine(DeveloperLine(3, "DirectoryExists: \"" + folder + "\" is an existing folder.")));

    ForgetLines();
    EXPECT_GE(Timed([&] { result = DirectoryExists(file_.c_str()); }), 99);
    EXPECT_FALSE(result);
    EXPECT_EQ(DebugLines(),
              (std::vector<std::string>{
                  DeveloperLine(0, "@ DirectoryExists() {"),
                  DeveloperLine(2, "DirectoryExists: GetFileAttributes \"" + file_ + "\" resulted in " +
                                       std::to_string(GetFileAttributesA(file_.c_str())) + "."),
                  DeveloperLine(3, "DirectoryExists: \"" + file_ + "\" is not a folder."),
                  DeveloperLine(0, "@ } DirectoryExists"),
              }));

    ForgetLines();
    const std::string missing = folder_ + "missing";
    EXPECT_GE(Timed([&] { result = DirectoryExists(missing.c_str()); }), 99);
    EXPECT_FALSE(result);
    const std::vector<std::string> lines = DebugMessages();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1],
              DeveloperLine(2, "DirectoryExists: GetFileAttributes \"" + missing + "\" resulted in -1."));
    EXPECT_EQ(lines[2].rfind(
                  DeveloperLine(3, "DirectoryExists: Path check for \"" + missing +
                                       "\" resulted in INVALID_FILE_ATTRIBUTES; [WIN32 0x00000002/C0002] "),
                  0),
              0u)
        << lines[2];
    EXPECT_EQ(LogDepth, 0);
    EXPECT_EQ(ErrorCount, 0u);
}

class RegistryValue : public FileSystem
{
  protected:
    void SetUp() override
    {
        FileSystem::SetUp();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const DWORD count = 42;
        RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
        SetText(key, "Name", REG_SZ, "Orvanta");
        SetText(key, "Path", REG_EXPAND_SZ, "%SystemRoot%\\Orvanta");
        RegCloseKey(key);
        // A value that only the 32-bit view holds.
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        SetText(key, "Only32", REG_SZ, "32-bit view");
        RegCloseKey(key);
        ForgetLines();
    }
    static void SetText(HKEY key, const char* name, DWORD type, const char* text)
    {
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1));
    }
    // The one line a read writes, one level deep.
    std::string OnlyLine() const
    {
        const std::vector<std::string> lines = DebugMessages();
        return lines.size() == 1 ? lines[0] : "(" + std::to_string(lines.size()) + " lines)";
    }
    static std::string Line(const std::string& message)
    {
        return DiagnosticLine(1, "GetRegistryValue: Path \"SOFTWARE\\OVWin Unit Tests\" " + message);
    }
};

TEST_F(RegistryValue, StoredTypeChoosesTheLineNotTheExpectedOne)
{
    DWORD count = 0;
    EXPECT_EQ(GetRegistryValue(kTestKey, "Count", REG_DWORD, &count, sizeof(count)), 1);
    EXPECT_EQ(count, 42u);
    EXPECT_EQ(OnlyLine(), Line("Key: \"Count\" Result: Success. Type: DWORD Value: 42"));

    ForgetLines();
    char text[64] = "";
    EXPECT_EQ(GetRegistryValue(kTestKey, "Name", REG_DWORD, text, sizeof(text)), 1);
    EXPECT_STREQ(text, "Orvanta");
    EXPECT_EQ(OnlyLine(), Line("Key: \"Name\" Result: Success. Type: SZ Value: Orvanta"));

    ForgetLines();
    EXPECT_EQ(GetRegistryValue(kTestKey, "Path", REG_SZ, text, sizeof(text)), 1);
    EXPECT_STREQ(text, "%SystemRoot%\\Orvanta"); // as stored, not expanded
    EXPECT_EQ(OnlyLine(), Line("Key: \"Path\" Result: Success. Type: Unspecified."));
    EXPECT_EQ(LogDepth, 0);
}

TEST_F(RegistryValue, FailuresAreDebugLinesWithTheirReason)
{
    char small[4];
    EXPECT_EQ(GetRegistryValue(kTestKey, "Name", REG_SZ, small, sizeof(small)), 0);
    EXPECT_EQ(OnlyLine().rfind(
                  Line("Result: FAILED to retrieve value \"Name\". Reason: [WIN32 0x000000ea/C0234] "), 0),
              0u)
        << OnlyLine();

    ForgetLines();
    EXPECT_EQ(GetRegistryValue(kTestKey, "Only32", REG_SZ, small, sizeof(small)),
              0); // the 64-bit view is read
    EXPECT_EQ(OnlyLine().rfind(
                  Line("Result: FAILED to retrieve value \"Only32\". Reason: [WIN32 0x00000002/C0002] "), 0),
              0u)
        << OnlyLine();

    ForgetLines();
    EXPECT_EQ(GetRegistryValue("SOFTWARE\\OVWin Missing Key", "Name", REG_SZ, small, sizeof(small)), 0);
    EXPECT_EQ(
        OnlyLine().rfind(DiagnosticLine(1, "GetRegistryValue: Path \"SOFTWARE\\OVWin Missing Key\" Result: "
                                           "FAILED to open key. Reason: [WIN32 0x00000002/C0002] "),
                         0),
        0u)
        << OnlyLine();

    ForgetLines();
    EXPECT_EQ(GetRegistryValue(kTestKey, "Name", REG_SZ, nullptr, 8), 0);
    EXPECT_EQ(OnlyLine(), Line("Result: FAILED to retrieve value \"Name\": destination pointer is null."));
    EXPECT_EQ(ErrorCount, 0u);
    EXPECT_EQ(LogDepth, 0);
}

TEST_F(FileSystem, LibraryVersionComesFromTheFileVersionAndItsStrings)
{
    // The harness puts the launcher beside the test program.
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string launcher = module;
    launcher = launcher.substr(0, launcher.rfind('\\') + 1) + "ovwin64.exe";
    const LibraryVersion version = GetLibraryVersion(launcher.c_str());
    EXPECT_EQ(version.Major, static_cast<uint32_t>(OVWIN_VERSION_MAJOR));
    EXPECT_EQ(version.Minor, static_cast<uint32_t>(OVWIN_VERSION_MINOR));
    EXPECT_EQ(version.Build, static_cast<uint32_t>(OVWIN_VERSION_BUILD));
    EXPECT_EQ(version.Revision, static_cast<uint32_t>(OVWIN_VERSION_REVISION));
    EXPECT_STREQ(version.ProductName, OVWIN_PRODUCT_NAME);
    EXPECT_STREQ(version.CompanyName, OVWIN_COMPANY_NAME);
    EXPECT_STREQ(version.FileDescription, OVWIN_FILE_DESCRIPTION);
    EXPECT_STREQ(version.LegalCopyright, OVWIN_LEGAL_COPYRIGHT);

    LibraryVersion empty;
    std::memset(&empty, 0, sizeof(empty));
    for (const std::string& path : {file_, std::string(module), folder_ + "missing.dll"})
    {
        const LibraryVersion none = GetLibraryVersion(path.c_str());
        EXPECT_EQ(std::memcmp(&none, &empty, sizeof(empty)), 0) << path;
    }
}
