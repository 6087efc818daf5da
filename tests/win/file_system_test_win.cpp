// Existence tests, registry values and version resources. The launcher's
// own version, read at every start, is checked in the end-to-end tests'
// log header.
#include "diagnostics/log.h"
#include "environment/file_system.h"
#include "environment/library_version.h"
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
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    EXPECT_EQ(FileExist(file_.c_str()), 1);
    EXPECT_EQ(FileExist((folder_ + "pres*.t?t").c_str()), 1);
    ForgetLines();
    EXPECT_EQ(FileExist(folder.c_str()), 1); // the folder's own entry
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{
                                DeveloperLine(0, "@ FileExist() {"),
                                DeveloperLine(2, "FileExist: \"" + folder + "\" is present."),
                                DeveloperLine(0, "@ } FileExist"),
                            }));
    EXPECT_EQ(FileExist((folder_ + "absent*.txt").c_str()), 0);
    EXPECT_TRUE(HasDebugLine(DeveloperLine(2, "FileExist: \"" + folder_ +
                                                  "absent*.txt\" does not exist (INVALID_HANDLE_VALUE).")));
    EXPECT_EQ(LogDepth, 0);
}

TEST_F(FileSystem, DirectoryExistsOnlyForFoldersAndAlwaysPauses)
{
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    const std::string missing = folder_ + "missing";
    const struct
    {
        std::string path;
        bool exists;
        std::string line;
    } cases[] = {
        {folder, true, "DirectoryExists: \"" + folder + "\" is an existing folder."},
        {file_, false, "DirectoryExists: \"" + file_ + "\" is not a folder."},
        {missing, false,
         "DirectoryExists: Path check for \"" + missing +
             "\" resulted in INVALID_FILE_ATTRIBUTES; [WIN32 0x00000002/C0002] "},
    };
    for (const auto& c : cases)
    {
        ForgetLines();
        bool result = !c.exists;
        EXPECT_GE(Timed([&] { result = DirectoryExists(c.path.c_str()); }), 99) << c.path;
        EXPECT_EQ(result, c.exists) << c.path;
        EXPECT_EQ(DebugMessagesWith(DeveloperLine(3, c.line)).size(), 1u) << c.line;
    }
    EXPECT_TRUE(HasDebugLine(
        DeveloperLine(2, "DirectoryExists: GetFileAttributes \"" + missing + "\" resulted in -1.")));
    EXPECT_EQ(LogDepth, 0);
    EXPECT_EQ(ErrorCount, 0u);
}

TEST_F(FileSystem, RegistryValueLineFollowsTheStoredTypeAndFailuresAreDebugLines)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD count = 42;
    RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("Orvanta"), 8);
    RegSetValueExA(key, "Path", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%SystemRoot%\\O"), 15);
    RegCloseKey(key);
    // A value that only the 32-bit view holds: the 64-bit view is read.
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Only32", 0, REG_SZ, reinterpret_cast<const BYTE*>("32"), 3);
    RegCloseKey(key);

    const std::string path = "GetRegistryValue: Path \"SOFTWARE\\OVWin Unit Tests\" ";
    const struct
    {
        const char* name;
        uint32_t expectedType;
        uint32_t size;
        int32_t result;
        std::string line; // its start
        const char* text; // the text read, when it is one
    } cases[] = {
        {"Count", REG_DWORD, 4, 1, path + "Key: \"Count\" Result: Success. Type: DWORD Value: 42", nullptr},
        // The stored type chooses the line, not the expected one.
        {"Name", REG_DWORD, 64, 1, path + "Key: \"Name\" Result: Success. Type: SZ Value: Orvanta",
         "Orvanta"},
        {"Path", REG_SZ, 64, 1, path + "Key: \"Path\" Result: Success. Type: Unspecified.",
         "%SystemRoot%\\O"},
        {"Name", REG_SZ, 4, 0,
         path + "Result: FAILED to retrieve value \"Name\". Reason: [WIN32 0x000000ea/C0234] ", nullptr},
        {"Only32", REG_SZ, 4, 0,
         path + "Result: FAILED to retrieve value \"Only32\". Reason: [WIN32 0x00000002/C0002] ", nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        ForgetLines();
        char value[64] = "";
        EXPECT_EQ(GetRegistryValue(kTestKey, c.name, c.expectedType, value, c.size), c.result);
        if (c.text != nullptr)
        {
            EXPECT_STREQ(value, c.text); // as stored, not expanded
        }
        const std::vector<std::string> lines = DebugMessages();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind(DiagnosticLine(1, c.line), 0), 0u) << lines[0];
    }
    char small[4];
    ForgetLines();
    EXPECT_EQ(GetRegistryValue("SOFTWARE\\OVWin Missing Key", "Name", REG_SZ, small, sizeof(small)), 0);
    EXPECT_EQ(GetRegistryValue(kTestKey, "Name", REG_SZ, nullptr, 8), 0);
    const std::vector<std::string> lines = DebugMessages();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(
        lines[0].rfind(DiagnosticLine(1, "GetRegistryValue: Path \"SOFTWARE\\OVWin Missing Key\" Result: "
                                         "FAILED to open key. Reason: [WIN32 0x00000002/C0002] "),
                       0),
        0u)
        << lines[0];
    EXPECT_EQ(
        lines[1],
        DiagnosticLine(1, path + "Result: FAILED to retrieve value \"Name\": destination pointer is null."));
    EXPECT_EQ(ErrorCount, 0u);
    EXPECT_EQ(LogDepth, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kTestKey, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kTestKey, KEY_WOW64_32KEY, 0);
}

TEST_F(FileSystem, FilesWithoutAVersionResourceGiveAnEmptyVersion)
{
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    LibraryVersion empty;
    std::memset(&empty, 0, sizeof(empty));
    for (const std::string& path : {file_, std::string(module), folder_ + "missing.dll"})
    {
        const LibraryVersion none = GetLibraryVersion(path.c_str());
        EXPECT_EQ(std::memcmp(&none, &empty, sizeof(empty)), 0) << path;
    }
}
