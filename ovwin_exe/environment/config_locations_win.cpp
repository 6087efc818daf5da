#include "environment/config_locations.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/access_checks_win.h"
#include "environment/administrative_rights.h"
#include "environment/config_repair.h"
#include "environment/known_folders.h"
#include "environment/relocate_file.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"

#include <windows.h>

#include <aclapi.h>

namespace
{
constexpr REGSAM kAllAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY; // 0xF013F
constexpr SECURITY_INFORMATION kOwnerGroupAndDacl =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

void InspectConfiguration()
{
    DebugLogText("InitConfigLocations: Checking configuration.");
    if (IsCacheDefaulted(KnownFoldersList.TCacheParentDir, KnownFoldersList.WinDir))
    {
        return;
    }
    RelocateLegacySettingsFiles();
}

// True when the program-data folder needs an update.
bool ProgramDataNeedsUpdate()
{
    char folder[kPathCapacity];
    if (!GetSpecialFolder(kFolderProgramData, folder))
    {
        ErrorLogText("InitConfigLocations: OVWin program data folder check failed: Could not retrieve folder "
                     "location.");
        return true;
    }
    return IsFolderUnrestricted(folder, true) == 0;
}

// True when the cache folder needs an update.
bool CacheNeedsUpdate()
{
    char folder[kPathCapacity];
    if (!GetSpecialFolder(kFolderCacheParent, folder))
    {
        ErrorLogText(
            "InitConfigLocations: OVWin cache folder check failed: Could not retrieve folder location.");
        return true;
    }
    AppendTrailingBackslash(folder, sizeof(folder));
    AppendToBuffer(folder, sizeof(folder), "_tcache1");
    return IsFolderUnrestricted(folder, false) == 0;
}

// A blocked "win.ini" only warns: the launcher does not repair it.
void CheckWinIni()
{
    char path[kPathCapacity];
    if (!GetSpecialFolder(kFolderWindows, path))
    {
        ErrorLogText(
            "InitConfigLocations: Win.ini access check failed: Could not retrieve OS folder location.");
        return;
    }
    AppendTrailingBackslash(path, sizeof(path));
    AppendToBuffer(path, sizeof(path), "win.ini");
    if (IsFileUnrestricted(path) == 0)
    {
        ErrorLog("InitConfigLocations: %s appears to be blocked. This will cause application errors if the "
                 "win.ini "
                 "cannot be read or written.",
                 path);
    }
}

void CheckAndRepair(bool repairAll)
{
    EnsureOsNamed();
    DebugLogText("InitConfigLocations: Beginning configuration environment check.");
    const bool registry = CheckConfigRegistry();
    const bool programData = ProgramDataNeedsUpdate();
    const bool cache =
        !IsCacheDefaulted(KnownFoldersList.TCacheParentDir, KnownFoldersList.WinDir) && CacheNeedsUpdate();
    CheckWinIni();

    if (!registry && !programData && !cache && !repairAll)
    {
        DebugLogText("InitConfigLocations: Configuration environment is valid.");
        return;
    }
    if (!MayRunAdministrativeStep())
    {
        ErrorLogText(
            "InitConfigLocations: Authority failure. This operation requires full administrator rights.");
        return;
    }
    if (registry || repairAll)
    {
        DebugLogText("InitConfigLocations: Registry updates required.");
        UpdateConfigRegistry();
    }
    if (programData || repairAll)
    {
        DebugLogText("InitConfigLocations: File System configuration location updates required.");
        UpdateConfigAppData();
    }
    if (cache || repairAll)
    {
        DebugLogText("InitConfigLocations: File System cache location updates required.");
        UpdateCacheFolder();
    }
    DebugLogText("InitConfigLocations: Completed configuration environment check.");
}
} // namespace

bool CheckConfigRegistry()
{
    DebugLogText("CheckConfigRegistry: Checking registry configuration key.");
    EnsureOsNamed();
    const bool reflectionExists = SystemInfoObject.IsWin7OrGreater;
    char keyPath[kRegistryPathCapacity];
    FormatCompanyKeyPath(keyPath, sizeof(keyPath));
    char description[kErrorTextCapacity];

    RegistryKey key;
    const LSTATUS opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, kAllAccess, key.Receive());
    if (opened == ERROR_FILE_NOT_FOUND)
    {
        DebugLog("CheckConfigRegistry: Key \"HKLM\\%s\" does not exist; update is required.", keyPath);
        return true;
    }
    if (opened != ERROR_SUCCESS)
    {
        DebugLog("CheckConfigRegistry: Couldn't open key \"HKLM\\%s\"; (%s); assuming update is required.",
                 keyPath, FormatErrorString(static_cast<uint32_t>(opened), description, sizeof(description)));
        return true;
    }
    if (reflectionExists)
    {
        BOOL reflectionDisabled = FALSE;
        const LONG queried = RegQueryReflectionKey(key.Get(), &reflectionDisabled);
        if (queried != ERROR_SUCCESS)
        {
            DebugLog(
                "CheckConfigRegistry: Couldn't query reflection status on key \"HKLM\\%s\"; (%s); assuming "
                "update is required.",
                keyPath, FormatErrorString(static_cast<uint32_t>(queried), description, sizeof(description)));
            return true;
        }
        if (!reflectionDisabled)
        {
            DebugLog("CheckConfigRegistry: Reflection not disabled on key \"HKLM\\%s\"; update is required.",
                     keyPath);
            return true;
        }
    }
    LocalMemory<void> descriptor;
    const DWORD read = GetSecurityInfo(key.Get(), SE_REGISTRY_KEY, kOwnerGroupAndDacl, nullptr, nullptr,
                                       nullptr, nullptr, descriptor.Receive());
    if (read != ERROR_SUCCESS)
    {
        DebugLog(
            "CheckConfigRegistry: Couldn't query security status on key \"HKLM\\%s\"; (%s); assuming update "
            "is required.",
            keyPath, FormatErrorString(read, description, sizeof(description)));
        return true;
    }
    const RightsCheckResult everyone = CheckEveryoneRightsInRegistry(descriptor.Get());
    descriptor.Reset();
    switch (everyone)
    {
        case kRightsTrue:
            DebugLog("CheckConfigRegistry: Registry key \"HKLM\\%s\" is validated. No update is required.",
                     keyPath);
            return false;
        case kRightsFalse:
            DebugLog("CheckConfigRegistry: Everyone does not have full access to key \"HKLM\\%s\"; update is "
                     "required.",
                     keyPath);
            return true;
        default:
            DebugLog(
                "CheckConfigRegistry: Couldn't validate Everyone access on key \"HKLM\\%s\"; assuming update "
                "is required.",
                keyPath);
            return true;
    }
}

void InitConfigLocations(uint32_t mode, bool repairAll)
{
    if (mode == kConfigInspectOnly)
    {
        InspectConfiguration();
    }
    else if (mode == kConfigCheckAndRepair)
    {
        CheckAndRepair(repairAll);
    }
}
