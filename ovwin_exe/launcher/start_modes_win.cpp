#include "launcher/start_modes_win.h"

#include "diagnostics/log.h"
#include "environment/config_locations.h"
#include "environment/known_folders.h"
#include "install/file_list_report_win.h"
#include "install/install_codes.h"
#include "launcher/app_lifetime.h"
#include "launcher/command_line.h"
#include "launcher/instance_file.h"
#include "launcher/launch_options.h"
#include "launcher/launch_plan.h"
#include "launcher/launcher_identity.h"
#include "launcher/launcher_key.h"
#include "launcher/pending_steps.h"
#include "launcher/process_launch.h"
#include "resources/resource_ids.h"
#include "sysinfo/system_info.h"
#include "ui/splash_win.h"
#include "ui/window_placement_win.h"

#include <windows.h>

namespace
{
constexpr std::size_t kProfileValueCapacity = 10;

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

    bool Read(const char* key)
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
    InstallTABFile(INSTALL_REPLACE);

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

    SubStep("Inspecting operating system environment...", 1, 500);
    {
        LogDepthScope work;
        LoadSystemInfoObject();
    }

    ProfileSettings profile;
    bool runLocal = false;
    SubStep("Inspecting Configuration...", 10, 300);
    {
        LogDepthScope work;
        InitConfigLocations(1);
        PrepareForBackup("backup-preload");
        runLocal = profile.Read("RunLocal");
        profile.LogName();
    }

    SubStep("Checking for required updates...", 20, 500);
    {
        LogDepthScope work;
        InstallTABFile(INSTALL_BY_TYPE);
    }

    SubStep("Validating Altavy Fonts...", 70, 300);
    {
        LogDepthScope work;
        RegisterFonts();
    }

    // The caches are only filled when the launcher runs from the Windows drive.
    const bool sameDrive = KnownFoldersList.WinDir[0] == KnownFoldersList.CurrDir[0];
    bool usingCache = false;
    SubStep("Validating Brisel executables...", 80, 300);
    {
        LogDepthScope work;
        if (runLocal && sameDrive)
        {
            usingCache = InstallVErozarFiles();
        }
        else
        {
            TouchVErozarFiles();
        }
    }

    SubStep("Validating Brisel Peripheral Engine files...", 80, 300);
    {
        LogDepthScope work;
        if (profile.Read("RunOPELocal") && sameDrive)
        {
            InstallTPEFiles();
        }
        else
        {
            TouchTPEFiles();
        }
    }

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

    SubStep("Inspecting operating system environment...", 1, 500);
    {
        LogDepthScope work;
        LoadSystemInfoObject();
    }

    ProfileSettings profile;
    bool runLocal = false;
    SubStep("Validating Configuration...", 10, 300);
    {
        LogDepthScope work;
        InitConfigLocations(0);
        PrepareForBackup("backup");
        runLocal = profile.Read("RunLocal");
        profile.LogName();
    }

    SubStep("Checking for required updates...", 20, 500);
    {
        LogDepthScope work;
        InstallTABFile(INSTALL_BY_TYPE);
    }

    SubStep("Validating Dependencies...", 30, 300);
    {
        LogDepthScope work;
        InstallRedistFiles();
    }

    SubStep("Validating COM Assemblies...", 50, 300);
    {
        LogDepthScope work;
        InstallCOMFiles();
    }

    SubStep("Validating Altavy Fonts...", 70, 300);
    {
        LogDepthScope work;
        RegisterFonts();
    }

    bool usingCache = false;
    SubStep("Validating Brisel executables...", 80, 300);
    {
        LogDepthScope work;
        if (runLocal)
        {
            LogDepthScope deeper;
            usingCache = InstallVErozarFiles();
        }
        CreateHelperShortcuts();
    }

    SubStep("Validating Brisel Peripheral Engine files...", 90, 300);
    if (profile.Read("RunOPELocal"))
    {
        LogDepthScope work;
        InstallTPEFiles();
    }

    char launchPath[kPathCapacity];
    char launchCommandLine[kPathCapacity];
    SubStep("Preparing to launch...", 100, 300);
    {
        LogDepthScope work;
        BuildLaunchPath(usingCache, KnownFoldersList.TCacheParentDir, KnownFoldersList.CurrDir, launchPath,
                        sizeof(launchPath));
        char engineCommandText[kPathCapacity];
        JoinEngineCommands(' ', engineCommandText, sizeof(engineCommandText));

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
        BuildLaunchCommandLine(firstToken, engineCommandText, launchCommandLine, sizeof(launchCommandLine));
    }

    int32_t launchResult = 0;
    SubStep("Launching Brisel Please Wait...", 100, 300);
    {
        LogDepthScope work;
        launchResult = ExecuteProcessEx(launchPath, launchCommandLine);
    }

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
