#include "launcher/initialize_win.h"

#include "diagnostics/fatal_failure.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "environment/config_repair.h"
#include "environment/elevation.h"
#include "environment/known_folders.h"
#include "environment/library_version.h"
#include "foundation/ansi_text.h"
#include "foundation/format_buffer.h"
#include "launcher/app_lifetime.h"
#include "launcher/command_line.h"
#include "launcher/launch_options.h"
#include "launcher/launcher_identity.h"
#include "launcher/launcher_key.h"
#include "ui/dialogs.h"
#include "ui/splash_win.h"

#include <winnetwk.h>

#include <cstring>

HINSTANCE LauncherInstance = nullptr;

namespace
{
constexpr std::size_t kHelpTextCapacity = 256;
constexpr DWORD kConnectionUnavailable = 1201; // ERROR_CONNECTION_UNAVAIL

void InitParams(const char* argumentText)
{
    KeepCommandLine(argumentText);
    const std::size_t length = std::strlen(argumentText);
    ArgumentBlockBytes = ArgumentBlockSize(length);
    DebugLogAt(kLogDeveloper, "InitParams: len=%ul sizerequested=%ul.", static_cast<unsigned>(length),
               static_cast<unsigned>(ArgumentBlockBytes));

    if (!HeapAllocHlpr(&ParamsArray, ArgumentBlockBytes, "ParamsArray"))
    {
        ShowErrorDialog("A critical error has occured during initialization. Code: Initialize_476");
        DeveloperLogText("Initialize: Failed to allocate ParamsArray argument array. Cannot continue.");
        DisposeApp(kExitCriticalFailure);
    }
    DebugLogAt(kLogDeveloper, "Initialize: ParamsArray heap pointer from HeapAllocHlpr = %p.",
               static_cast<void*>(ParamsArray));

    if (!HeapAllocHlpr(&EngineCommands, ArgumentBlockBytes, "EngineCommands"))
    {
        ShowErrorDialog("A critical error has occured during initialization. Code: Initialize_485");
        DeveloperLogText("Initialize: Failed to allocate EngineCommands argument array. Cannot continue.");
        HeapFreeHlpr(&ParamsArray, "ParamsArray");
        DisposeApp(kExitCriticalFailure);
    }
    DebugLogAt(kLogDeveloper, "Initialize: EngineCommands heap pointer from HeapAllocHlpr = %p.",
               static_cast<void*>(EngineCommands));

    ConvertCmdToArgv(argumentText);
    DebugLogAt(kLogDeveloper, "InitEngineCommands: argv is assigned to (LPTSTR*) = %p.",
               static_cast<void*>(EngineCommands));
    ParseArguments(false);
}

void ListMappedDrives()
{
    // The drives are only listed: with the logs closed every probe (and a
    // network query for each letter without a root) would be lost.
    if (LogLevel < kLogDiagnostic || !LogsOpen)
    {
        return;
    }
    DebugLogText("Mapped Drive(s) Present:");
    RaiseLogDepth();
    int listed = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
    {
        const char drive[3] = {letter, ':', '\0'};
        const UINT type = GetDriveTypeA(drive);
        if (type != DRIVE_REMOTE && type != DRIVE_NO_ROOT_DIR)
        {
            continue;
        }
        char remote[kPathCapacity];
        DWORD remoteLength = sizeof(remote);
        const DWORD result = WNetGetConnectionA(drive, remote, &remoteLength);
        if (result == NO_ERROR)
        {
            DebugLog("'%s' -> '%s'", drive, remote);
            ++listed;
        }
        else if (type == DRIVE_REMOTE)
        {
            DebugLog("'%s' -> Not Available", drive);
            ++listed;
        }
        else if (result == kConnectionUnavailable)
        {
            DebugLog("'%s' -> Not Connected", drive);
            ++listed;
        }
    }
    if (listed == 0)
    {
        DebugLogText("None.");
    }
    LowerLogDepth();
}
} // namespace

void ParseArguments(bool listing)
{
    if (ParseArgumentList(listing))
    {
        return;
    }
    char help[kHelpTextCapacity];
    CopyToBuffer(help, sizeof(help), kHelpText);
    MessageBoxA(nullptr, help, kHelpCaption, MB_OK);
    DisposeApp(kExitSuccess);
}

void Initialize(HINSTANCE instance, const char* argumentText)
{
    // Failures below the launcher that it may not go on after end here.
    SetFatalFailureHandler(AbortApp);
    LauncherInstance = instance;
    GetModuleFileNameA(instance, ModulePath, sizeof(ModulePath));
    LauncherVersion = GetLibraryVersion(ModulePath);

    char logFolder[kPathCapacity] = "";
    if (const char* lastBackslash = AnsiFindLast(ModulePath, '\\'))
    {
        const std::size_t folderLength = static_cast<std::size_t>(lastBackslash - ModulePath);
        char folder[kPathCapacity];
        std::memcpy(folder, ModulePath, folderLength);
        folder[folderLength] = '\0';
        SetCurrentDirectoryA(folder);
        CopyToBuffer(WorkingFolder, sizeof(WorkingFolder), folder);
        FormatToBuffer(logFolder, sizeof(logFolder), "%s\\", folder);
    }

    FormatLauncherKeyPath(LauncherKey, sizeof(LauncherKey));
    InitParams(argumentText);
    // What the elevated restart and the registry repair take from this start.
    SetRestartArguments(LaunchOptions.CommandLine);
    SetLastRunFromFolder(WorkingFolder);

    const int32_t registryLevel = ReadDebugLevel();
    const bool levelFromRegistry = registryLevel > LogLevel;
    if (levelFromRegistry)
    {
        LogLevel = registryLevel;
    }

    OpenLogs(logFolder, LogSettingsFor(LaunchOptions, LauncherVersion));
    DebugLog("Initialize: Command Line: %s", argumentText);
    DebugLog("Initialize: Discovered %d arguments on command line.", static_cast<int>(ParamCount));
    if (levelFromRegistry)
    {
        DebugLog("Initialize: Diagnostic Logging Enabled from Registry (LogLevel: %d)",
                 static_cast<int>(LogLevel));
    }
    else
    {
        DebugLog("Initialize: Diagnostic Logging Enabled (LogLevel: %d)", static_cast<int>(LogLevel));
    }
    ParseArguments(true);

    PrepareSplashResources(LauncherVersion.LegalCopyright);
    LoadKnownFoldersList();
    CopyToBuffer(KnownFoldersList.CurrDir, sizeof(KnownFoldersList.CurrDir), logFolder);
    DebugLog("Initialize: Application executing from \"%s\".", logFolder);
    ListMappedDrives();
    SaveWorkingFolder();
    InitCOM();
}
