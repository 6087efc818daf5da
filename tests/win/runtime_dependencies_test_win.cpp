// The runtime dependency step against the registry marks of this machine
// and the stand-in installers: what is looked for, what is installed with
// which parameters, what each exit code of the framework's installer
// leaves in the logs, and what the system decides about the framework.
#include "diagnostics/log.h"
#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "install/runtime_dependencies.h"
#include "support/dialog_dismisser.h"
#include "support/installation_fixture.h"
#include "support/standin_calls.h"
#include "sysinfo/system_info.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace
{
const char* const kX86 = "Visual C/C++ 2022+ Runtimes (32-bit)";
const char* const kNetfx = ".NET Framework 4.8";

std::map<std::string, std::string> LauncherOptions;

bool ReadLauncherOption(const char* valueName, char* destination)
{
    const auto found = LauncherOptions.find(valueName);
    if (found == LauncherOptions.end())
    {
        return false;
    }
    CopyToBuffer(destination, kInstallerOptionsCapacity, found->second.c_str());
    return true;
}

void WriteMark(const char* key, const char* number, DWORD value, const char* text = nullptr)
{
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                              nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(opened, number, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    if (text != nullptr)
    {
        RegSetValueExA(opened, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(strlen(text) + 1));
    }
    RegCloseKey(opened);
}

void MarkRuntime(const char* key, const char* version = "v14.36.32532.00")
{
    WriteMark(key, "Installed", 1, version);
}

void MarkNetfx(DWORD release = 528040)
{
    WriteMark(kNetfxKey, "Install", 1);
    WriteMark(kNetfxKey, "Release", release);
}

void RemoveMark(const char* key)
{
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY, 0);
}

void RemoveMarks()
{
    for (const char* key : {kRuntimeX86Key, kRuntimeX64Key, kNetfxKey})
    {
        RemoveMark(key);
    }
}

class RuntimeDependencies : public InstallationTest
{
  protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        // Windows 10 22H2, where the framework can be installed.
        SystemInfoObject.IsWin10OrGreater = true;
        SystemInfoObject.OsVersion.MajorVersion = 10;
        SystemInfoObject.OsVersion.BuildNumber = 19045;
        cache_ = folder_ + "Orvanta\\_tcache1";
        CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, (folder_ + "Orvanta\\").c_str());
        std::filesystem::create_directories(folder_ + "Orvanta");
        for (const char* installer :
             {"vc_redist.x86.exe", "vc_redist.x64.exe", "ndp48-x86-x64-allos-enu.exe"})
        {
            CopyForTest(Standin(installer), redist_ + installer);
        }
        LauncherOptions.clear();
        RemoveMarks();
    }
    void TearDown() override
    {
        RemoveMarks();
        std::filesystem::remove_all(folder_ + "Orvanta");
        InstallationTest::TearDown();
    }

    // The step's own level-1 lines, in order.
    std::vector<std::string> StepLines() const
    {
        std::vector<std::string> lines;
        for (const std::string& message : DebugMessages())
        {
            const std::string text =
                message.substr(std::min(message.size(), message.find_first_not_of(' ', 9)));
            for (const char* operation :
                 {"InstallRedistFiles:", "InstallRuntime:", "IsRuntime32Installed:", "IsRuntime64Installed:",
                  "CheckRuntimeVersion:", "IsNetfx48Installed:", "CheckNetfxReleaseNumber:",
                  "IsNet48Supported:"})
            {
                if (message.rfind("DEBUG    ", 0) == 0 && text.rfind(operation, 0) == 0)
                {
                    lines.push_back(text);
                }
            }
        }
        return lines;
    }

    std::string LogParameter(const char* installer) const
    {
        return "/log \"" + cache_ + "\\" + installer + ".log\"";
    }

    std::string cache_;
};
} // namespace

TEST_F(RuntimeDependencies, AllPresentIsOneLineWithoutRightsOrInstallers)
{
    MarkRuntime(kRuntimeX86Key);
    MarkRuntime(kRuntimeX64Key, "v14.21.27702.2");
    MarkNetfx(533325);
    // A standard user without UAC: any rights check would refuse.
    SystemInfoObject.IsAdminInvoked = false;
    InstallRedistFiles(ReadLauncherOption);

    const std::string minimum =
        "CheckRuntimeVersion: Minimum Version Requested: 14.21.27702.2, Installed Version: ";
    EXPECT_EQ(StepLines(),
              (std::vector<std::string>{
                  "InstallRedistFiles: Using folder " + redist_ + " for redistributable files...",
                  "InstallRedistFiles: Using folder " + cache_ + " for cache files...",
                  "InstallRedistFiles: Creating cache folder...",
                  "IsRuntime32Installed: Validation registry key exists, Install value bit is TRUE.",
                  "CheckRuntimeVersion: Validating Runtime version information.",
                  minimum + "v14.36.32532.00",
                  "IsRuntime64Installed: Validation registry key exists, Install value bit is TRUE.",
                  "CheckRuntimeVersion: Validating Runtime version information.",
                  minimum + "v14.21.27702.2",
                  "IsNetfx48Installed: Validation registry key exists, Install value bit is TRUE.",
                  "CheckNetfxReleaseNumber: Validating Framework (4.5 or newer) release number.",
                  "CheckNetfxReleaseNumber: Minimum Version Release Requested: 528040, Installed "
                  "Version Release: 533325",
                  "InstallRedistFiles: All required dependencies are installed and up-to-date.",
              }));
    EXPECT_EQ(ErrorCount, 0u);
    EXPECT_TRUE(ReadStandinCalls(record_).empty());
    EXPECT_TRUE(std::filesystem::is_directory(cache_));
}

TEST_F(RuntimeDependencies, MarksThatDoNotCount)
{
    // Each row leaves the x86 runtime missing; a standard user without UAC
    // then stops the step at the rights check.
    SystemInfoObject.IsAdminInvoked = false;
    MarkNetfx();
    std::filesystem::create_directories(cache_);
    struct Row
    {
        DWORD installed;
        const char* version;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {0,
         "v14.36.32532.00",
         {"IsRuntime32Installed: Validation registry key exists, Install value bit is FALSE."}},
        {2,
         "v14.36.32532.00",
         {"IsRuntime32Installed: Validation registry key exists, Install value bit is FALSE."}},
        {1,
         "v14.20.99999.9",
         {"IsRuntime32Installed: Validation registry key exists, Install value bit is TRUE.",
          "CheckRuntimeVersion: Validating Runtime version information.",
          "CheckRuntimeVersion: Minimum Version Requested: 14.21.27702.2, Installed Version: "
          "v14.20.99999.9"}},
        {1,
         nullptr,
         {"IsRuntime32Installed: Validation registry key exists, Install value bit is TRUE.",
          "CheckRuntimeVersion: Validating Runtime version information.",
          "CheckRuntimeVersion: Minimum Version Requested: 14.21.27702.2, Installed Version: (Failed to "
          "retrieve "
          "value)"}},
    };
    for (const Row& row : rows)
    {
        RemoveMark(kRuntimeX86Key);
        WriteMark(kRuntimeX86Key, "Installed", row.installed, row.version);
        ForgetLines();
        ErrorCount = 0;
        InstallRedistFiles(ReadLauncherOption);
        std::vector<std::string> lines = StepLines();
        ASSERT_GE(lines.size(), 2u + row.lines.size());
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 2 + row.lines.size()),
                  row.lines);
        EXPECT_EQ(lines.back(), "InstallRedistFiles: One or more dependencies are not installed.");
        EXPECT_EQ(ErrorTexts(),
                  std::vector<std::string>{
                      "InstallRedistFiles: OVWin dependency install failed: Authority failure."});
    }
    // A release one below 4.8's is a missing framework, which Windows 10
    // 22H2 can take; the x86 runtime is in place this time.
    MarkRuntime(kRuntimeX86Key);
    MarkNetfx(528039);
    ForgetLines();
    InstallRedistFiles(ReadLauncherOption);
    EXPECT_EQ(StepLines().back(), "InstallRedistFiles: One or more dependencies are not installed.");
    EXPECT_TRUE(ReadStandinCalls(record_).empty());
}

TEST_F(RuntimeDependencies, MissingX86RuntimeIsInstalledWithItsOptionsAndFoundNextTime)
{
    MarkNetfx();
    LauncherOptions["VCRuntimeMSIOpts"] = " REBOOT=\"ReallySuppress\" ";
    LauncherOptions["NetFxMSIOpts"] = "NOT=\"read\"";
    InstallRedistFiles(ReadLauncherOption);

    const std::string installer = redist_ + "vc_redist.x86.exe";
    const std::vector<std::string> lines = StepLines();
    const std::vector<std::string> expected = {
        "InstallRedistFiles: One or more dependencies are not installed.",
        std::string("InstallRedistFiles: ") + kX86 + " requires installation or update.",
        std::string("InstallRuntime: Installer status (") + kX86 +
            "): 2 Uninstalled (or action state absent but clients remain)",
        std::string("InstallRuntime: Launching ") + kX86 + " installer... ( " + installer + " )",
    };
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - expected.size(), lines.end()), expected);
    // The x64 runtime is looked for, and left alone by the 64-bit edition.
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "IsRuntime64Installed: Validation registry key missing or access denied."),
              1);
    EXPECT_EQ(ErrorCount, 0u);

    std::vector<StandinCall> calls = ReadStandinCalls(record_);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Program, "vc_redist.x86.exe");
    EXPECT_EQ(calls[0].Parameters, "/passive /promptrestart " + LogParameter("vc_redist.x86.exe") +
                                       " /msioptions \" REBOOT='ReallySuppress' \"");
    EXPECT_EQ(calls[0].Note, "marks written");
    std::ifstream log(cache_ + "\\vc_redist.x86.exe.log");
    EXPECT_TRUE(log.good()) << "the installer could not write its log into the cache folder";

    // Its marks count at the next start.
    ForgetLines();
    InstallRedistFiles(ReadLauncherOption);
    EXPECT_EQ(StepLines().back(),
              "InstallRedistFiles: All required dependencies are installed and up-to-date.");

    // The 32-bit edition on 64-bit Windows installs the x64 runtime as well,
    // with options that are only blanks left out.
    SystemInfoObject.IsWow64Eligible = true;
    SystemInfoObject.Is64BitEdition = false;
    LauncherOptions["VCRuntimeMSIOpts"] = " \t ";
    ForgetLines();
    InstallRedistFiles(ReadLauncherOption);
    calls = ReadStandinCalls(record_);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].Program, "vc_redist.x64.exe");
    EXPECT_EQ(calls[1].Parameters, "/passive /promptrestart " + LogParameter("vc_redist.x64.exe"));
    EXPECT_EQ(StepLines().back(),
              std::string("InstallRuntime: Launching Visual C/C++ 2022+ Runtimes (64-bit) "
                          "installer... ( ") +
                  redist_ + "vc_redist.x64.exe )");
}

TEST_F(RuntimeDependencies, FrameworkInstallerExitCodesAndTheirLines)
{
    MarkRuntime(kRuntimeX86Key);
    MarkRuntime(kRuntimeX64Key);
    struct Row
    {
        const char* exitCode;
        const char* options;    // NetFxMSIOpts, or null for none
        const char* msiOptions; // what the installer is given of them
        const char* tail;       // of the line after the display name; null for none
        bool error;
    };
    const Row rows[] = {
        {"0", nullptr, "", " install succeeded.", false},
        {"1602", "   ", "", " install failed. The user cancelled installation.", false},
        {"1603", "A=\"1\"", " /msioptions \"A='1'\"",
         " install failed. A fatal error occurred during installation.", true},
        {"5100", nullptr, "", " install failed. The user's computer does not meet system requirements.",
         true},
        {"7", nullptr, "", nullptr, false},
        {"1641", nullptr, "", " install succeeded. A restart is required to complete the installation.",
         false},
        {"3010", nullptr, "", " install succeeded. A restart is required to complete the installation.",
         false},
    };
    const std::string installer = redist_ + "ndp48-x86-x64-allos-enu.exe";
    const std::string parameters = "/passive /promptrestart /showrmui /chainingpackage ovwin " +
                                   LogParameter("ndp48-x86-x64-allos-enu.exe");
    std::size_t callCount = 0;
    for (const Row& row : rows)
    {
        RemoveMark(kNetfxKey);
        LauncherOptions.clear();
        if (row.options != nullptr)
        {
            LauncherOptions["NetFxMSIOpts"] = row.options;
        }
        const ScopedVariable exitCode("OVWIN_STANDIN_EXIT_NDP48", row.exitCode);
        ForgetLines();
        ErrorCount = 0;
        InstallRedistFiles(ReadLauncherOption);

        const std::vector<std::string> lines = StepLines();
        const std::string launching =
            std::string("InstallRedistFiles: Launching ") + kNetfx + " installer... ( " + installer + " )";
        const std::string reported =
            row.tail != nullptr ? std::string("InstallRedistFiles: ") + kNetfx + row.tail : "";
        EXPECT_EQ(lines.back(), row.tail != nullptr && !row.error ? reported : launching) << row.exitCode;
        EXPECT_EQ(ErrorTexts(), row.error ? std::vector<std::string>{reported} : std::vector<std::string>{})
            << row.exitCode;

        const std::vector<StandinCall> calls = ReadStandinCalls(record_);
        ASSERT_EQ(calls.size(), ++callCount) << row.exitCode;
        EXPECT_EQ(calls.back().Program, "ndp48-x86-x64-allos-enu.exe");
        EXPECT_EQ(calls.back().Parameters, parameters + row.msiOptions) << row.exitCode;
    }
    // The restart the installer asked for is left to the user: the step
    // ends, and its marks count at the next start.
    ForgetLines();
    InstallRedistFiles(ReadLauncherOption);
    EXPECT_EQ(StepLines().back(),
              "InstallRedistFiles: All required dependencies are installed and up-to-date.");
}

TEST_F(RuntimeDependencies, WhereTheFrameworkCannotBeInstalledOnlyARuntimeInstallationShowsTheBox)
{
    const std::string box =
        "An error has occurred:\n\nThis operating system does not meet the requirements to "
        "automatically install the .NET Framework 4.8 runtimes.\n\nOne or more features may "
        "not function correctly.";
    struct Row
    {
        const char* system;
        bool versionKnown;
        bool win10;
        bool server;
        uint32_t build;
        const char* supportLine; // written by IsNet48Supported, or null
        bool supportLineIsError;
        bool installsFramework;
    };
    const Row rows[] = {
        {"Windows 7", true, false, false, 7601,
         "IsNet48Supported: WARNING: To install the dependencies you must be on Windows 10 1909 or newer, "
         "Windows "
         "11, or Windows Server 2019 or newer.",
         false, false},
        {"Windows 10 1903", true, true, false, 18362, nullptr, false, false},
        {"Windows 10 1909", true, true, false, 18363, nullptr, false, true},
        {"Windows Server 2016", true, true, true, 14393, nullptr, false, false},
        {"Windows Server 2019", true, true, true, 17763, nullptr, false, true},
        {"no version data", false, true, false, 19045,
         "IsNet48Supported: ERROR! System Info is not available to perform this operation.", true, false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.system);
        SystemInfoObject.VersionKnown = row.versionKnown;
        SystemInfoObject.IsWin10OrGreater = row.win10;
        SystemInfoObject.IsServer = row.server;
        SystemInfoObject.OsVersion.BuildNumber = row.build;
        RemoveMarks();
        MarkRuntime(kRuntimeX86Key);

        // With the runtimes in place, a framework that cannot be installed
        // counts as present.
        ForgetLines();
        ErrorCount = 0;
        InstallRedistFiles(ReadLauncherOption);
        std::vector<std::string> lines = StepLines();
        if (row.supportLine != nullptr && !row.supportLineIsError)
        {
            EXPECT_NE(std::find(lines.begin(), lines.end(), row.supportLine), lines.end());
        }
        EXPECT_EQ(lines.back(),
                  row.installsFramework
                      ? std::string("InstallRedistFiles: .NET Framework 4.8 install succeeded.")
                      : "InstallRedistFiles: All required dependencies are installed and up-to-date.");

        // With the x86 runtime missing too, it is installed and the user is
        // told about the framework in a box.
        RemoveMarks();
        ForgetLines();
        ErrorCount = 0;
        const std::size_t before = ReadStandinCalls(record_).size();
        std::vector<std::string> boxes;
        {
            DialogDismisser dismisser;
            InstallRedistFiles(ReadLauncherOption);
            boxes = dismisser.Texts();
        }
        const std::vector<StandinCall> calls = ReadStandinCalls(record_);
        ASSERT_GE(calls.size(), before + 1);
        EXPECT_EQ(calls[before].Program, "vc_redist.x86.exe");
        std::vector<std::string> errors;
        if (row.supportLineIsError)
        {
            errors.push_back(row.supportLine);
        }
        if (row.installsFramework)
        {
            EXPECT_TRUE(boxes.empty());
            ASSERT_EQ(calls.size(), before + 2);
            EXPECT_EQ(calls[before + 1].Program, "ndp48-x86-x64-allos-enu.exe");
        }
        else
        {
            EXPECT_EQ(boxes, std::vector<std::string>{box});
            EXPECT_EQ(calls.size(), before + 1);
            errors.push_back("Error Dialog: An error has occurred:; This operating system does not meet the "
                             "requirements to automatically install the .NET Framework 4.8 runtimes.");
            errors.push_back("");
            errors.push_back("One or more features may not function correctly.");
        }
        EXPECT_EQ(ErrorTexts(), errors);
    }
}

TEST_F(RuntimeDependencies, MissingInstallersAndOneThatCannotStartAreReported)
{
    std::filesystem::remove_all(redist_);
    InstallRedistFiles(ReadLauncherOption);
    EXPECT_EQ(ErrorTexts(), (std::vector<std::string>{
                                std::string("InstallRuntime: WARNING!!! ") + kX86 +
                                    " installer not found at " + redist_ + "vc_redist.x86.exe",
                                std::string("InstallRedistFiles: WARNING!!! ") + kNetfx +
                                    " installer not found at " + redist_ + "ndp48-x86-x64-allos-enu.exe",
                            }));

    // A file of the installer's name that is no program.
    std::filesystem::create_directories(redist_);
    std::ofstream(redist_ + "vc_redist.x86.exe") << "not a program";
    MarkNetfx();
    ForgetLines();
    ErrorCount = 0;
    {
        DialogDismisser dismisser; // the shell may explain the failure in a box of its own
        InstallRedistFiles(ReadLauncherOption);
    }
    const std::vector<std::string> errors = ErrorTexts();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back(), std::string("InstallRuntime: WARNING!!! ") + kX86 + " installer at " + redist_ +
                                 "vc_redist.x86.exe failed to launch.");
    EXPECT_TRUE(ReadStandinCalls(record_).empty());
}
