// The COM assembly step on real folders with the test assemblies and the
// stand-in registration utility: which libraries are installed, in which
// order an upgrade backs up, unregisters, replaces and registers, what each
// exit code of the utility does, and the step's own failures.
#include "diagnostics/log.h"
#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "install/backups.h"
#include "install/com_assemblies.h"
#include "support/installation_fixture.h"
#include "support/standin_calls.h"
#include "sysinfo/system_info.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace
{
const char* const kRatingObjects = "((Altavy Solutions Inc., Orvanta Rating Objects))";

class ComAssemblies : public InstallationTest
{
  protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        system_ = folder_ + "syswow64\\";
        CopyToBuffer(KnownFoldersList.SysWOW64Dir, kPathCapacity, system_.c_str());
        CopyToBuffer(KnownFoldersList.SysDir, kPathCapacity, (folder_ + "system32\\").c_str());
        CopyToBuffer(KnownFoldersList.ProgDataDir, kPathCapacity, (folder_ + "ProgramData\\").c_str());
        for (const std::string& made : {install_ + "UTL", system_, folder_ + "ProgramData"})
        {
            std::filesystem::create_directories(made);
        }
        utility_ = install_ + "UTL\\DoziZUZ.exe";
        CopyForTest(Standin("DoziZUZ.exe"), utility_);
        PrepareForBackup("backup");
        backups_ = std::string(KnownFoldersList.SysWOW64BackupDir) + "\\";
        ForgetLines();
    }
    void TearDown() override
    {
        std::filesystem::remove_all(system_);
        std::filesystem::remove_all(folder_ + "ProgramData");
        InstallationTest::TearDown();
    }

    void Offer(const std::string& name, const std::string& assembly) const
    {
        CopyForTest(TestAssembly(assembly), redist_ + name);
    }
    void Install(const std::string& name, const std::string& assembly) const
    {
        CopyForTest(TestAssembly(assembly), system_ + name);
    }

    // What the stand-in finds at a path: "version A.B.C.D" or "missing".
    static std::string VersionAt(const std::string& path)
    {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        std::vector<char> resource(size + 1);
        void* block = nullptr;
        UINT length = 0;
        if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, resource.data()) ||
            !VerQueryValueA(resource.data(), "\\", &block, &length))
        {
            return "missing";
        }
        const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
        return "version " + std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
               std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
               std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
               std::to_string(LOWORD(fixed->dwFileVersionLS));
    }

    // The recorded calls, each as "SWITCHES VERSION-FOUND", by library in
    // the order they were made.
    using CallsByLibrary = std::map<std::string, std::vector<std::string>>;
    CallsByLibrary Calls() const
    {
        CallsByLibrary calls;
        for (const StandinCall& call : ReadStandinCalls(record_))
        {
            EXPECT_EQ(call.Program, "DoziZUZ.exe");
            const std::size_t close = call.Parameters.rfind('"');
            const std::string path = call.Parameters.substr(1, close - 1);
            EXPECT_EQ(path.rfind(system_, 0), 0u) << path;
            calls[path.substr(system_.size())].push_back(call.Parameters.substr(close + 2) + " " + call.Note);
        }
        return calls;
    }
    std::size_t CallCount() const { return ReadStandinCalls(record_).size(); }

    // Where the line stands; fails when it is missing.
    static std::size_t IndexOf(const std::vector<std::string>& texts, const std::string& line)
    {
        const auto found = std::find(texts.begin(), texts.end(), line);
        EXPECT_NE(found, texts.end()) << line;
        return static_cast<std::size_t>(found - texts.begin());
    }

    std::string system_;
    std::string utility_;
    std::string backups_;
};
} // namespace

TEST_F(ComAssemblies, MissingAndOlderLibrariesAreInstalledCurrentOnesLeftAndRepairReinstallsAll)
{
    Offer("fresh.dll", "assembly-2.1.0.6.dll");
    Offer("older.dll", "assembly-2.1.0.6.dll");
    Offer("newer.dll", "assembly-2.0.9.9.dll");
    Offer("charts.dll", "assembly-charts-1.0.0.1.dll");
    std::filesystem::create_directories(redist_ + "folder.DLL"); // a folder is no library
    Install("older.dll", "assembly-2.1.0.5.dll");
    Install("newer.dll", "assembly-2.1.0.5.dll");
    Install("charts.dll", "assembly-charts-1.0.0.1.dll");
    InstallCOMFiles(false);

    EXPECT_EQ(ErrorTexts(), std::vector<std::string>{});
    EXPECT_EQ(VersionAt(system_ + "fresh.dll"), "version 2.1.0.6");
    EXPECT_EQ(VersionAt(system_ + "older.dll"), "version 2.1.0.6");
    EXPECT_EQ(VersionAt(system_ + "newer.dll"), "version 2.1.0.5"); // by file version, not product version
    // Only the replaced copy was backed up.
    EXPECT_EQ(VersionAt(backups_ + "older.dll"), "version 2.1.0.5");
    EXPECT_EQ(VersionAt(backups_ + "fresh.dll"), "missing");

    // A missing library is registered only; an older one is unregistered
    // (the installed copy) before the new copy is registered.
    EXPECT_EQ(Calls(), (CallsByLibrary{{"fresh.dll", {"-Q version 2.1.0.6"}},
                                       {"older.dll", {"-Q -U version 2.1.0.5", "-Q version 2.1.0.6"}}}));
    const std::vector<std::string> texts = DebugTexts();
    EXPECT_EQ(
        std::count_if(texts.begin(), texts.end(),
                      [](const std::string& text) { return text.find("folder.DLL") != std::string::npos; }),
        0);
    for (const std::string& line : {
             std::string("InstallCOMFiles: Using folder ") + redist_ +
                 " for redistributable COM assemblies...",
             std::string("InstallCOMFiles: Using folder ") + system_ + " as destination...",
             std::string("InstallCOMFiles: Using path ") + utility_ +
                 " for COM assembly registration utility...",
             std::string("InstallCOMFiles: Searching for new or updated components..."),
             std::string("CheckComponent: fresh.dll ") + kRatingObjects +
                 " Current Version: Not Installed, Installer Version: 2.1.0.6",
             std::string("CheckComponent: older.dll ") + kRatingObjects +
                 " Current Version: 2.1.0.5, Installer Version: 2.1.0.6",
             std::string("CheckComponent: newer.dll ") + kRatingObjects +
                 " Current Version: 2.1.0.5, Installer Version: 2.0.9.9",
             std::string("CheckComponent: charts.dll ((Orvanta Charts)) Current Version: 1.0.0.1, Installer "
                         "Version: 1.0.0.1"),
             std::string("InstallComponent: Installing/Upgrading Orvanta Rating Objects..."),
             std::string("InstallComponent: DoziZUZ: Assembly un-registered successfully."),
             std::string("InstallComponent: DoziZUZ: Assembly registered successfully."),
         })
    {
        EXPECT_NE(std::find(texts.begin(), texts.end(), line), texts.end()) << line;
    }
    EXPECT_EQ(
        std::count(texts.begin(), texts.end(), "CheckComponent: This component is installed and up-to-date."),
        2);

    // The upgrade: backup, unregistering, replacing, registering.
    const std::string older = system_ + "older.dll";
    const std::size_t backup =
        IndexOf(texts, "UpdateSubStatus: Backing up \"older.dll\" to " + backups_ + "older.dll");
    const std::size_t unregister =
        IndexOf(texts, "ExecuteAppEx:    -> ((null)) " + utility_ + " \"" + older + "\" -Q -U");
    const std::size_t replace =
        IndexOf(texts, "InstallFileName: Copying \"" + redist_ + "older.dll\" to \"" + older + "\"");
    const std::size_t reg =
        IndexOf(texts, "ExecuteAppEx:    -> ((null)) " + utility_ + " \"" + older + "\" -Q");
    EXPECT_LT(backup, unregister);
    EXPECT_LT(unregister, replace);
    EXPECT_LT(replace, reg);

    // Repair mode reinstalls every library, the equal and the older ones too.
    DeleteFileA(record_.c_str());
    ForgetLines();
    InstallCOMFiles(true);
    EXPECT_EQ(ErrorTexts(), std::vector<std::string>{});
    EXPECT_EQ(VersionAt(system_ + "newer.dll"), "version 2.0.9.9");
    EXPECT_EQ(Calls(), (CallsByLibrary{{"charts.dll", {"-Q -U version 1.0.0.1", "-Q version 1.0.0.1"}},
                                       {"fresh.dll", {"-Q -U version 2.1.0.6", "-Q version 2.1.0.6"}},
                                       {"newer.dll", {"-Q -U version 2.1.0.5", "-Q version 2.0.9.9"}},
                                       {"older.dll", {"-Q -U version 2.1.0.6", "-Q version 2.1.0.6"}}}));
    EXPECT_EQ(VersionAt(backups_ + "newer.dll"), "version 2.1.0.5");
}

TEST_F(ComAssemblies, UtilityExitCodes)
{
    Offer("engine.dll", "assembly-2.1.0.6.dll");
    const std::string unregisterFailure =
        "InstallComponent: DoziZUZ: ERROR!!! Failed to [un]register assembly.";
    const std::string registerFailure = "InstallComponent: DoziZUZ: ERROR!!! Failed to[un]register assembly.";
    struct Row
    {
        const char* unregisterCode; // null: the utility's own answer
        const char* registerCode;
        std::vector<std::string> errors;
        const char* installedAfter;
        std::size_t calls;
    };
    const Row rows[] = {
        {"100", nullptr, {"InstallComponent: DoziZUZ: ERROR!!! Target file is invalid."}, "2.1.0.5", 1},
        {"200", nullptr, {"InstallComponent: DoziZUZ: ERROR!!! Target file does not exist."}, "2.1.0.5", 1},
        {"300", nullptr, {"InstallComponent: DoziZUZ: ERROR!!! Failed to load assembly."}, "2.1.0.5", 1},
        {"400", nullptr, {unregisterFailure}, "2.1.0.5", 1},
        {"500", nullptr, {unregisterFailure}, "2.1.0.5", 1},
        // Any other code lets the upgrade go on.
        {"7", nullptr, {}, "2.1.0.6", 2},
        {"-1", nullptr, {}, "2.1.0.6", 2},
        {nullptr, "100", {"InstallComponent: DoziZUZ: ERROR!!! Target file is invalid."}, "2.1.0.6", 2},
        {nullptr, "200", {"InstallComponent: DoziZUZ: ERROR!!! Target file does not exist."}, "2.1.0.6", 2},
        {nullptr, "300", {"InstallComponent: DoziZUZ: ERROR!!! Failed to load assembly."}, "2.1.0.6", 2},
        {nullptr, "400", {registerFailure}, "2.1.0.6", 2},
        {nullptr, "500", {registerFailure}, "2.1.0.6", 2},
        {nullptr, "7", {}, "2.1.0.6", 2},
    };
    for (const Row& row : rows)
    {
        const std::string name = std::string(row.unregisterCode ? "unregister " : "register ") +
                                 (row.unregisterCode ? row.unregisterCode : row.registerCode);
        SCOPED_TRACE(name);
        Install("engine.dll", "assembly-2.1.0.5.dll");
        DeleteFileA(record_.c_str());
        ForgetLines();
        const ScopedVariable unregisterCode("OVWIN_STANDIN_EXIT_UNREGISTER", row.unregisterCode);
        const ScopedVariable registerCode("OVWIN_STANDIN_EXIT_REGISTER", row.registerCode);
        InstallCOMFiles(false);
        EXPECT_EQ(ErrorTexts(), row.errors);
        EXPECT_EQ(VersionAt(system_ + "engine.dll"), std::string("version ") + row.installedAfter);
        EXPECT_EQ(CallCount(), row.calls);
        // The utility's own answer, 0, is the success line.
        const std::vector<std::string> texts = DebugTexts();
        const auto successes = [&](const char* line) { return std::count(texts.begin(), texts.end(), line); };
        EXPECT_EQ(successes("InstallComponent: DoziZUZ: Assembly un-registered successfully."),
                  row.unregisterCode == nullptr ? 1 : 0);
        EXPECT_EQ(successes("InstallComponent: DoziZUZ: Assembly registered successfully."),
                  row.registerCode == nullptr && row.errors.empty() ? 1 : 0);
    }
}

TEST_F(ComAssemblies, StepFailuresAndRefusedRights)
{
    // An empty source folder is nothing to do.
    InstallCOMFiles(false);
    std::vector<std::string> texts = DebugTexts();
    EXPECT_EQ(texts.back(), "InstallCOMFiles: No valid assemblies located for installation.");
    EXPECT_EQ(ErrorCount, 0u);

    // Without the source folder the listing fails.
    std::filesystem::remove_all(redist_);
    ForgetLines();
    InstallCOMFiles(false);
    std::vector<std::string> errors = ErrorTexts();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(
        errors[0].rfind("OVWin COM assemblies check / install failed : Could not obtain source directory "
                        "listing; [WIN32 0x00000003/C0003] ",
                        0),
        0u)
        << errors[0];

    // Without the utility nothing is looked at.
    std::filesystem::create_directories(redist_);
    Offer("engine.dll", "assembly-2.1.0.6.dll");
    DeleteFileA(utility_.c_str());
    ForgetLines();
    InstallCOMFiles(false);
    EXPECT_EQ(ErrorTexts(),
              std::vector<std::string>{"InstallCOMFiles: OVWin COM assemblies check/install failed: "
                                       "Could not find DoziZUZ.exe."});
    EXPECT_EQ(DebugTexts().back(),
              "InstallCOMFiles: OVWin COM assemblies check/install failed: Could not find "
              "DoziZUZ.exe.");
    EXPECT_EQ(VersionAt(system_ + "engine.dll"), "missing");

    // A standard user without UAC is refused every library that needs
    // installing; a current one is only looked at.
    CopyForTest(Standin("DoziZUZ.exe"), utility_);
    Offer("current.dll", "assembly-2.1.0.5.dll");
    Install("current.dll", "assembly-2.1.0.5.dll");
    SystemInfoObject.IsAdminInvoked = false;
    ForgetLines();
    InstallCOMFiles(false);
    EXPECT_EQ(ErrorTexts(),
              std::vector<std::string>{"InstallComponent: OVWin COM/.NET Assembly install failed: "
                                       "Authority failure. You must be an administrator."});
    texts = DebugTexts();
    EXPECT_EQ(
        std::count(texts.begin(), texts.end(), "CheckComponent: This component is installed and up-to-date."),
        1);
    EXPECT_EQ(VersionAt(system_ + "engine.dll"), "missing");
    EXPECT_EQ(CallCount(), 0u);
}
