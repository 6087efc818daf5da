#include "install/runtime_dependencies.h"

#include "diagnostics/log.h"
#include "environment/administrative_rights.h"
#include "environment/file_system.h"
#include "environment/known_folders.h"
#include "environment/shell_start_win.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "sysinfo/system_info.h"
#include "ui/dialogs.h"
#include "ui/splash_win.h"

#include <windows.h>

#include <optional>

namespace
{
constexpr const char* kRuntime32Name = "Visual C/C++ 2022+ Runtimes (32-bit)";
constexpr const char* kRuntime64Name = "Visual C/C++ 2022+ Runtimes (64-bit)";
constexpr const char* kNetfxName = ".NET Framework 4.8";
constexpr const char* kRuntime32Installer = "vc_redist.x86.exe";
constexpr const char* kRuntime64Installer = "vc_redist.x64.exe";
constexpr const char* kNetfxInstaller = "ndp48-x86-x64-allos-enu.exe";

// The "Installed" mark of a VC runtime, then its version. Operation names
// the lines.
bool IsRuntimeInstalled(const char* operation, const char* keyPath)
{
    DWORD installed = 0;
    if (GetRegistryValue(keyPath, "Installed", REG_DWORD, &installed, sizeof(installed)) == 0)
    {
        DebugLog("%s: Validation registry key missing or access denied.", operation);
        return false;
    }
    if (installed != 1)
    {
        DebugLog("%s: Validation registry key exists, Install value bit is FALSE.", operation);
        return false;
    }
    DebugLog("%s: Validation registry key exists, Install value bit is TRUE.", operation);
    return CheckRuntimeVersion(keyPath);
}

bool CheckNetfxReleaseNumber()
{
    DebugLogText("CheckNetfxReleaseNumber: Validating Framework (4.5 or newer) release number.");
    DWORD release = 0;
    const bool read = GetRegistryValue(kNetfxKey, "Release", REG_DWORD, &release, sizeof(release)) != 0;
    if (!read)
    {
        release = 0;
    }
    DebugLog("CheckNetfxReleaseNumber: Minimum Version Release Requested: %d, Installed Version Release: %u",
             static_cast<int>(kMinimumNetfxRelease), static_cast<unsigned>(release));
    return read && NetfxReleaseIsRecent(release);
}

// The options of the launcher key's value, or null when none count.
const char* ReadInstallerOptions(InstallerOptionsReader readOptions, const char* valueName,
                                 char (&options)[kInstallerOptionsCapacity])
{
    options[0] = '\0';
    if (readOptions == nullptr || !readOptions(valueName, options))
    {
        return nullptr;
    }
    options[kInstallerOptionsCapacity - 1] = '\0';
    return PrepareInstallerOptions(options) ? options : nullptr;
}

// What an installer is started with.
struct InstallerStart
{
    char Path[kPathCapacity];
    char Parameters[kPathCapacity];
};

// The installer's path in the source folder and its parameters with the
// launcher key's options, and the line that says it is launched. Nothing,
// after the operation's warning, when the installer is not there or its
// command line would not fit: a cut one could hand it an unterminated
// quote.
std::optional<InstallerStart> PrepareInstaller(const char* operation, const char* displayName,
                                               InstallerKind kind, const char* installerFile,
                                               const char* sourceFolder, const char* cacheFolder,
                                               InstallerOptionsReader readOptions)
{
    InstallerStart start;
    if (FormatToBuffer(start.Path, sizeof(start.Path), "%s%s", sourceFolder, installerFile) < 0 ||
        FileExist(start.Path) == 0)
    {
        ErrorLog("%s: WARNING!!! %s installer not found at %s%s", operation, displayName, sourceFolder,
                 installerFile);
        return std::nullopt;
    }
    char options[kInstallerOptionsCapacity];
    const char* valueName = kind == InstallerKind::VcRuntime ? "VCRuntimeMSIOpts" : "NetFxMSIOpts";
    const char* counted = ReadInstallerOptions(readOptions, valueName, options);
    if (!BuildInstallerParameters(kind, cacheFolder, installerFile, counted, start.Parameters,
                                  sizeof(start.Parameters)))
    {
        ErrorLog("%s: WARNING!!! The parameters of the %s installer would exceed %d characters; it is not "
                 "started.",
                 operation, displayName, static_cast<int>(kPathCapacity - 1));
        return std::nullopt;
    }
    DebugLog("%s: Launching %s installer... ( %s )", operation, displayName, start.Path);
    return start;
}

void InstallNetfx(const char* sourceFolder, const char* cacheFolder, InstallerOptionsReader readOptions)
{
    DebugLog("InstallRedistFiles: %s requires installation or update.", kNetfxName);
    const std::optional<InstallerStart> start =
        PrepareInstaller("InstallRedistFiles", kNetfxName, InstallerKind::NetFramework, kNetfxInstaller,
                         sourceFolder, cacheFolder, readOptions);
    if (!start)
    {
        return;
    }
    const int32_t exitCode = ExecuteAppEx(SplashWindow, start->Path, start->Parameters, true, false);
    const InstallerOutcome outcome = NetfxInstallerOutcome(exitCode);
    if (outcome.Tail == nullptr)
    {
        return;
    }
    if (outcome.Error)
    {
        ErrorLog("InstallRedistFiles: %s%s", kNetfxName, outcome.Tail);
    }
    else
    {
        DebugLog("InstallRedistFiles: %s%s", kNetfxName, outcome.Tail);
    }
}
} // namespace

bool IsRuntime32Installed()
{
    return IsRuntimeInstalled("IsRuntime32Installed", Runtime32Key(SystemInfoObject));
}

bool IsRuntime64Installed()
{
    return IsRuntimeInstalled("IsRuntime64Installed", kRuntimeX64Key);
}

bool CheckRuntimeVersion(const char* keyPath)
{
    DebugLogText("CheckRuntimeVersion: Validating Runtime version information.");
    const RuntimeVersion& minimum = kMinimumRuntimeVersion;
    // One byte short of the buffer: a stored text need not end with a NUL.
    char version[kPathCapacity] = {};
    if (GetRegistryValue(keyPath, "Version", REG_SZ, version, sizeof(version) - 1) == 0)
    {
        DebugLog("CheckRuntimeVersion: Minimum Version Requested: %d.%d.%d.%d, Installed Version: (Failed to "
                 "retrieve value)",
                 static_cast<int>(minimum.Parts[0]), static_cast<int>(minimum.Parts[1]),
                 static_cast<int>(minimum.Parts[2]), static_cast<int>(minimum.Parts[3]));
        return false;
    }
    DebugLog("CheckRuntimeVersion: Minimum Version Requested: %d.%d.%d.%d, Installed Version: %s",
             static_cast<int>(minimum.Parts[0]), static_cast<int>(minimum.Parts[1]),
             static_cast<int>(minimum.Parts[2]), static_cast<int>(minimum.Parts[3]), version);
    return RuntimeVersionIsRecent(version);
}

bool IsNetfx48Installed()
{
    // Four bytes of whatever type the value has.
    DWORD install = 0;
    if (GetRegistryValue(kNetfxKey, "Install", REG_DWORD, &install, sizeof(install)) == 0)
    {
        DebugLogText("IsNetfx48Installed: Validation registry key missing or access denied.");
        return false;
    }
    if (install != 1)
    {
        DebugLogText("IsNetfx48Installed: Validation registry key exists, Install value bit is FALSE.");
        return false;
    }
    DebugLogText("IsNetfx48Installed: Validation registry key exists, Install value bit is TRUE.");
    return CheckNetfxReleaseNumber();
}

bool IsNet48Supported()
{
    switch (DecideNet48Support(SystemInfoObject))
    {
        case Net48Support::SystemUnknown:
            ErrorLogText("IsNet48Supported: ERROR! System Info is not available to perform this operation.");
            return false;
        case Net48Support::BeforeWindows10:
            DebugLogText(
                "IsNet48Supported: WARNING: To install the dependencies you must be on Windows 10 1909 or "
                "newer, Windows 11, or Windows Server 2019 or newer.");
            return false;
        case Net48Support::Supported:
            return true;
        case Net48Support::BuildTooOld:
        default:
            return false;
    }
}

void InstallRuntime(const char* displayName, const char* installerFile, int32_t state,
                    const char* sourceFolder, const char* cacheFolder, InstallerOptionsReader readOptions)
{
    DebugLog("InstallRuntime: Installer status (%s): %s", displayName, InstallStateText(state));
    const std::optional<InstallerStart> start =
        PrepareInstaller("InstallRuntime", displayName, InstallerKind::VcRuntime, installerFile, sourceFolder,
                         cacheFolder, readOptions);
    if (start && ExecuteAppEx(SplashWindow, start->Path, start->Parameters, true, false) == -1)
    {
        ErrorLog("InstallRuntime: WARNING!!! %s installer at %s failed to launch.", displayName, start->Path);
    }
}

void InstallRedistFiles(InstallerOptionsReader readOptions)
{
    char sourceFolder[kPathCapacity];
    char cacheFolder[kPathCapacity];
    FormatToBuffer(sourceFolder, sizeof(sourceFolder), "%sredist\\", KnownFoldersList.CurrDir);
    FormatToBuffer(cacheFolder, sizeof(cacheFolder), "%s_tcache1", KnownFoldersList.TCacheParentDir);
    DebugLog("InstallRedistFiles: Using folder %s for redistributable files...", sourceFolder);
    DebugLog("InstallRedistFiles: Using folder %s for cache files...", cacheFolder);
    if (!DirectoryExists(cacheFolder))
    {
        // The installers' logs go there; an installer copes without.
        DebugLogText("InstallRedistFiles: Creating cache folder...");
        CreateDirectoryA(cacheFolder, nullptr);
    }

    RuntimeSurvey survey = {};
    survey.X86Present = IsRuntime32Installed();
    survey.X64Present = LooksForRuntime64(SystemInfoObject) ? IsRuntime64Installed() : true;
    survey.NetfxState = kStateInstalled;
    if (!IsNetfx48Installed())
    {
        survey.NetfxState = IsNet48Supported() ? kStateAbsent : kStateNotInstallable;
    }
    const bool wow64Eligible = SystemInfoObject.IsWow64Eligible;
    if (DependenciesComplete(survey, wow64Eligible))
    {
        DebugLogText("InstallRedistFiles: All required dependencies are installed and up-to-date.");
        return;
    }

    DebugLogText("InstallRedistFiles: One or more dependencies are not installed.");
    if (!MayRunAdministrativeStep())
    {
        ErrorLogText("InstallRedistFiles: OVWin dependency install failed: Authority failure.");
        return;
    }
    if (!survey.X86Present)
    {
        DebugLog("InstallRedistFiles: %s requires installation or update.", kRuntime32Name);
        InstallRuntime(kRuntime32Name, kRuntime32Installer, kStateAbsent, sourceFolder, cacheFolder,
                       readOptions);
    }
    if (InstallsRuntime64(survey, wow64Eligible))
    {
        DebugLog("InstallRedistFiles: %s requires installation or update.", kRuntime64Name);
        InstallRuntime(kRuntime64Name, kRuntime64Installer, kStateAbsent, sourceFolder, cacheFolder,
                       readOptions);
    }
    if (survey.NetfxState == kStateNotInstallable)
    {
        ShowErrorDialog(
            "This operating system does not meet the requirements to automatically install the %s "
            "runtimes.\n\nOne or more features may not function correctly.",
            kNetfxName);
    }
    else if (survey.NetfxState == kStateAbsent)
    {
        InstallNetfx(sourceFolder, cacheFolder, readOptions);
    }
}
