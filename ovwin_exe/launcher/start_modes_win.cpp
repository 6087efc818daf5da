#include "launcher/start_modes_win.h"

#include "diagnostics/log.h"
#include "environment/config_locations.h"
#include "environment/known_folders.h"
#include "install/archive_installation.h"
#include "install/backups.h"
#include "install/com_assemblies.h"
#include "install/file_list_report_win.h"
#include "install/install_codes.h"
#include "install/program_cache.h"
#include "install/program_cache_rules.h"
#include "install/runtime_dependencies.h"
#include "launcher/app_lifetime.h"
#include "launcher/command_line.h"
#include "launcher/instance_file.h"
#include "launcher/launch_options.h"
#include "launcher/launch_plan.h"
#include "launcher/launcher_identity.h"
#include "launcher/launcher_key.h"
#include "launcher/process_launch.h"
#include "launcher/shortcuts_and_fonts.h"
#include "resources/resource_ids.h"
#include "sysinfo/system_info.h"
#include "ui/splash_win.h"
#include "ui/window_placement_win.h"

#include <windows.h>

namespace
{
constexpr std::size_t kProfileValueCapacity = 10;
// The installer options are read from the launcher key.
static_assert(kInstallerOptionsCapacity == kLauncherSettingCapacity,
              "installer options are launcher settings");

// The status line and pause that open each step.
void Step(const char* status, DWORD pauseMs)
{
    UpdateStatus(status);
    Sleep(pauseMs);
}

void SubStep(const char* text, int32_t progress, DWORD pauseMs)
{
    UpdateSubStatus(text, progress);
    Sleep(pauseMs);
}

// A step whose work writes its lines one level deeper than its status line.
template <typename Work>
void WorkStep(const char* text, int32_t progress, DWORD pauseMs, Work work)
{
    SubStep(text, progress, pauseMs);
    LogDepthScope deeper;
    work();
}

void CreateSplashUnlessSilent(const char* title)
{
    if (LaunchOptions.SilentMode.Set)
    {
        SplashWindow = nullptr;
        return;
    }
    CreateSplashWindow(title);
}

// The profile file beside the launcher: "FileAccess" keys, "TRUE" when the
// file or the key is missing.
class ProfileSettings
{
  public:
    ProfileSettings()
    {
        BuildProfileFileName(KnownFoldersList.CurrDir, quotedName_, sizeof(quotedName_));
        UnquoteProfileFileName(quotedName_, fileName_, sizeof(fileName_));
    }

    bool Read(const char* key) const
    {
        char value[kProfileValueCapacity];
        GetPrivateProfileStringA("FileAccess", key, "TRUE", value, sizeof(value), fileName_);
        return ProfileValueIsTrue(value);
    }

    void LogName() const { DebugLog("WinMain: Variable 'OVMainFile' set to \"%s\".", quotedName_); }

  private:
    char quotedName_[kPathCapacity];
    char fileName_[kPathCapacity];
};

// The steps both starts open with: the system picture, the configuration
// (checked and repaired, or only inspected) and the backup folders. Returns
// whether the profile asks for the main program to run from the cache.
bool InspectSystemAndConfiguration(const char* configurationText, uint32_t configurationMode,
                                   const char* backupFolder, const ProfileSettings& profile)
{
    WorkStep("Inspecting operating system environment...", 1, 500, [] { LoadSystemInfoObject(); });
    bool runLocal = false;
    WorkStep(configurationText, 10, 300, [&] {
        InitConfigLocations(configurationMode, LaunchOptions.RepairMode.Set);
        PrepareForBackup(backupFolder);
        runLocal = profile.Read("RunLocal");
        profile.LogName();
    });
    return runLocal;
}

void CheckForUpdates()
{
    WorkStep("Checking for required updates...", 20, 500,
             [] { InstallTABFile(INSTALL_BY_TYPE, LauncherKey); });
}

void ValidateFonts()
{
    WorkStep("Validating Altavy Fonts...", 70, 300, [] { RegisterFonts(); });
}
} // namespace

void RunListMode()
{
    DebugLogText("Create File List.");
    CreateFileListReport();
    DisposeApp(kExitSuccess);
}

void RunReplaceMode()
{
    SplashWindow =
        CreateDialogParamA(GetModuleHandleA(nullptr), "VERIFYDIALOG", nullptr, VerifyDialogProc, 0);
    CenterWindow(SplashWindow);
    if (SplashWindow != nullptr)
    {
        SetWindowTextA(SplashWindow, "Replace system files");
        ShowWindow(SplashWindow, SW_SHOW);
        SetWindowTextA(GetDlgItem(SplashWindow, IDC_VERIFY_TEXT), "Replacing files...");
    }
    PrepareForBackup("backup-replace");
    InstallTABFile(INSTALL_REPLACE, LauncherKey);

    const UINT style = MB_SETFOREGROUND | MB_TOPMOST;
    if (AllReplaced)
    {
        MessageBoxA(nullptr, "System files successfully replaced!", ModulePath, style);
        DisposeApp(kExitSuccess);
    }
    MessageBoxA(nullptr, "Not all system files could be replaced.\nCheck replace.log for details.",
                ModulePath, style);
    DisposeApp(kExitNotAllReplaced);
}

void RunPreloadMode()
{
    CreateSplashUnlessSilent("Brisel System Check");
    Step("Brisel System Check", 300);
    const ProfileSettings profile;
    const bool runLocal =
        InspectSystemAndConfiguration("Inspecting Configuration...", 1, "backup-preload", profile);
    CheckForUpdates();
    ValidateFonts();

    // The preload start asks for the caches only when the launcher runs from
    // the Windows drive, where they are never used: it never copies.
    const bool sameDrive = OnSameDrive(KnownFoldersList.WinDir, KnownFoldersList.CurrDir);
    bool usingCache = false;
    WorkStep("Validating Brisel executables...", 80, 300, [&] {
        if (runLocal && sameDrive)
        {
            usingCache = InstallVErozarFiles();
        }
        else
        {
            TouchVErozarFiles();
        }
    });
    WorkStep("Validating Brisel Peripheral Engine files...", 80, 300, [&] {
        if (profile.Read("RunOPELocal") && sameDrive)
        {
            InstallTPEFiles();
        }
        else
        {
            TouchTPEFiles();
        }
    });

    SetUsingTCache(usingCache ? 1 : 0);
    Step("Brisel System Ready For Use", 300);
    DisposeApp(kExitSuccess);
}

void RunStandardStart(const char* argumentText)
{
    DebugLogText("WinMain: Standard Start.");
    CreateSplashUnlessSilent("Initializing Brisel");
    Step(LaunchOptions.RepairMode.Set ? "Initializing Brisel (Repair Mode)..." : "Initializing Brisel...",
         300);
    const ProfileSettings profile;
    const bool runLocal = InspectSystemAndConfiguration("Validating Configuration...", 0, "backup", profile);
    CheckForUpdates();
    WorkStep("Validating Dependencies...", 30, 300, [] { InstallRedistFiles(ReadLauncherSetting); });
    WorkStep("Validating COM Assemblies...", 50, 300, [] { InstallCOMFiles(LaunchOptions.RepairMode.Set); });
    ValidateFonts();

    bool usingCache = false;
    WorkStep("Validating Brisel executables...", 80, 300, [&] {
        if (runLocal)
        {
            LogDepthScope deeper;
            usingCache = InstallVErozarFiles();
        }
        CreateHelperShortcuts();
    });

    // Only the Peripheral Engine files themselves stand deeper here.
    SubStep("Validating Brisel Peripheral Engine files...", 90, 300);
    if (profile.Read("RunOPELocal"))
    {
        LogDepthScope deeper;
        InstallTPEFiles();
    }

    char launchPath[kPathCapacity];
    char launchCommandLine[kLaunchCommandLineCapacity];
    WorkStep("Preparing to launch...", 100, 300, [&] {
        BuildStartFilePath(usingCache, KnownFoldersList.TCacheParentDir, KnownFoldersList.CurrDir,
                           "verozar1.exe", launchPath, sizeof(launchPath));
        const char* firstToken = ModulePath;
        char instancePath[kPathCapacity] = "";
        if (LaunchOptions.UsingInstanceFile.Set)
        {
            if (CreateT1File(usingCache, argumentText, instancePath))
            {
                DebugLog("WinMain: Using instance file, created \"%s\".", instancePath);
                firstToken = instancePath;
            }
            else
            {
                DebugLogText("WinMain: Using legacy command line passing.");
            }
        }
        BuildLaunchCommandLine(firstToken, EngineCommands, EngineCommandCount, launchCommandLine,
                               sizeof(launchCommandLine));
    });

    int32_t launchResult = 0;
    WorkStep("Launching Brisel Please Wait...", 100, 300,
             [&] { launchResult = ExecuteProcessEx(launchPath, launchCommandLine); });

    const LaunchOutcome outcome = ChooseLaunchOutcome(launchResult, ErrorCount);
    if (outcome.errorLine)
    {
        ErrorLog("%s", outcome.text.c_str());
    }
    else
    {
        DebugLog("%s", outcome.text.c_str());
    }
    Sleep(1000);
    DisposeApp(outcome.exitCode);
}
