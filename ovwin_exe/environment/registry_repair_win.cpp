#include "environment/registry_repair_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/config_locations.h"
#include "environment/config_repair.h"
#include "environment/dacl_merge_win.h"
#include "foundation/scope_guard.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"
#include "sysinfo/system_info.h"

namespace
{
constexpr REGSAM kAllAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY; // 0xF013F
constexpr ULONG kKeyControlFlagsInformation = 2;
constexpr ULONG kDoNotVirtualizeRecursively = 0x2 | 0x8; // REG_KEY_DONT_VIRTUALIZE | REG_KEY_RECURSE_FLAG

using NtSetInformationKeyCall = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG);

const char* Describe(DWORD code, char* description, std::size_t capacity)
{
    return FormatErrorString(code, description, capacity);
}

bool AdminInvoked()
{
    if (!SystemInfoObject.UserLoaded)
    {
        LoadSystemInfoObject();
    }
    return SystemInfoObject.IsAdminInvoked;
}

// "Debug" back to 0 and "LastRunFrom" below the company key; each failure
// is logged and the other value still written.
void ResetLauncherValues(HKEY company)
{
    char description[kErrorTextCapacity];
    RegistryKey launcher;
    LSTATUS result = RegCreateKeyExA(company, "Launcher", 0, nullptr, REG_OPTION_NON_VOLATILE, kAllAccess,
                                     nullptr, launcher.Receive(), nullptr);
    if (result != ERROR_SUCCESS)
    {
        ErrorLog("OVWin registry modification failed: Error while creating key "
                 "\"HKLM\\SOFTWARE\\%s\\Launcher\"; %s",
                 kCompanyName, Describe(static_cast<DWORD>(result), description, sizeof(description)));
        return;
    }
    const DWORD debugOff = 0;
    result = RegSetValueExA(launcher.Get(), "Debug", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&debugOff),
                            sizeof(debugOff));
    if (result != ERROR_SUCCESS)
    {
        ErrorLog("OVWin registry modification error: Error while writing configuration subkey \"Debug\" "
                 "default value; %s",
                 Describe(static_cast<DWORD>(result), description, sizeof(description)));
    }
    result = RegSetValueExA(launcher.Get(), "LastRunFrom", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(LastRunFromFolder()), kPathCapacity);
    if (result != ERROR_SUCCESS)
    {
        ErrorLog(
            "OVWin registry modification error: Error while writing configuration subkey \"LastRunFrom\"; %s",
            Describe(static_cast<DWORD>(result), description, sizeof(description)));
    }
}

// Virtualization and security of the company key, from Windows 7 on: the
// stage they reach.
uint32_t OpenUpCompanyKey(HKEY company, const char* keyName)
{
    const bool win7OrGreater = SystemInfoObject.IsWin7OrGreater;
    bool virtualizationPassed = false;
    int32_t security = 0;
    if (win7OrGreater)
    {
        DebugLogText("UpdateConfigRegistry: Removing registry key virtualization.");
        virtualizationPassed = RemoveRegistryKeyVirtualization(company, keyName);
        if (virtualizationPassed)
        {
            DebugLogText("UpdateConfigRegistry: Removing registry key security.");
            security = RemoveRegistryKeySecurity(company, keyName);
        }
    }
    return RegistryRepairStageFor(win7OrGreater, virtualizationPassed, security);
}
} // namespace

bool RemoveRegistryKeyVirtualization(HKEY key, const char* keyName)
{
    EnsureOsNamed();
    if (!SystemInfoObject.IsWin7OrGreater)
    {
        DebugLogAt(kLogDeveloper, "RemoveRegistryKeyVirtualization: Function failed. This function requires "
                                  "Windows 7 or newer operating system.");
        return true;
    }
    if (!AdminInvoked())
    {
        ErrorLog("OVWin registry modification failed: Administrative rights are required to open/modify "
                 "virtualization for key \"%s\"",
                 keyName);
        return true;
    }
    DebugLog("RemoveRegistryVirtualization: Removing virtualization flag on registry key \"%s\" (as "
             "Administrator)",
             keyName);
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr)
    {
        return true;
    }
    char description[kErrorTextCapacity];
    const FARPROC address = GetProcAddress(ntdll, "NtSetInformationKey");
    if (address == nullptr)
    {
        const DWORD error = GetLastError();
        ErrorLog("OVWin registry modification failed: Error while loading ntdll:NtSetInformationKey proc "
                 "address; %s",
                 Describe(error, description, sizeof(description)));
        return false;
    }
    // Through the generic function type, which every compiler lets pass.
    const auto setInformationKey =
        reinterpret_cast<NtSetInformationKeyCall>(reinterpret_cast<void (*)()>(address));
    ULONG flags = kDoNotVirtualizeRecursively;
    const LONG status = setInformationKey(key, kKeyControlFlagsInformation, &flags, sizeof(flags));
    if (status != 0)
    {
        ErrorLog("OVWin registry modification failed: Error while executing ntdll:NtSetInformationKey; %s",
                 FormatErrorString(static_cast<uint32_t>(status), description, sizeof(description),
                                   kErrorKindNtStatus));
        return false;
    }
    return true;
}

int32_t RemoveRegistryKeySecurity(HKEY key, const char* keyName)
{
    EnsureOsNamed();
    if (!SystemInfoObject.IsWin7OrGreater)
    {
        DebugLogAt(kLogDeveloper, "RemoveRegistryKeySecurity: Function failed. This function requires "
                                  "Windows 7 or newer operating system.");
        return 1;
    }
    if (!AdminInvoked())
    {
        ErrorLog("OVWin registry modification failed: Administrative rights are required to open/modify "
                 "security descriptor for key \"%s\"",
                 keyName);
        return 1;
    }
    char description[kLongErrorTextCapacity];
    PACL dacl = nullptr;
    LocalMemory<void> descriptor;
    DWORD result = GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                   nullptr, descriptor.Receive());
    if (result != ERROR_SUCCESS)
    {
        ErrorLog(
            "OVWin registry modification failed: Error while opening security descriptor for key \"%s\"; %s",
            keyName, Describe(result, description, sizeof(description)));
        return 0;
    }
    EXPLICIT_ACCESS_A everyone = EveryoneKeyGrant();
    const MergedAcl merged = MergeIntoDacl(dacl, &everyone, 1);
    if (merged.Error != ERROR_SUCCESS)
    {
        ErrorLog("OVWin registry modification failed: Error while merging security descriptor information "
                 "intended for key \"%s\"; %s",
                 keyName, Describe(merged.Error, description, sizeof(description)));
        return 0;
    }
    result = SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                             merged.Acl.Get(), nullptr);
    if (result != ERROR_SUCCESS)
    {
        ErrorLog(
            "OVWin registry modification failed: Error while writing security descriptor for key \"%s\"; %s",
            keyName, Describe(result, description, sizeof(description)));
        return 0;
    }
    return 1;
}

bool UpdateConfigRegistry()
{
    DebugLogText("UpdateConfigRegistry: Installing/modifying registry configuration key.");
    EnsureOsNamed();
    const bool reflection = SystemInfoObject.IsWin7OrGreater;
    char keyName[kPathCapacity];
    FormatCompanyKeyPath(keyName, sizeof(keyName));
    char description[kErrorTextCapacity];

    RegistryKey software;
    LSTATUS result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, kAllAccess, software.Receive());
    if (result != ERROR_SUCCESS)
    {
        ErrorLog("OVWin registry modification failed: Error while opening key \"HKLM\\SOFTWARE\"; %s",
                 Describe(static_cast<DWORD>(result), description, sizeof(description)));
        return false;
    }
    if (reflection)
    {
        result = RegDisableReflectionKey(software.Get());
        if (result != ERROR_SUCCESS)
        {
            ErrorLog("OVWin registry modification failed: Error while disabling reflection on handle for key "
                     "\"HKLM\\SOFTWARE\"; %s",
                     Describe(static_cast<DWORD>(result), description, sizeof(description)));
            return false;
        }
    }
    // Reflection of "SOFTWARE" is switched back on on every way out, after
    // the company key is closed.
    const ScopeGuard reflectSoftware([&software, reflection] {
        if (reflection)
        {
            RegEnableReflectionKey(software.Get());
        }
    });

    RegistryKey company;
    result = RegCreateKeyExA(software.Get(), kCompanyName, 0, nullptr, REG_OPTION_NON_VOLATILE, kAllAccess,
                             nullptr, company.Receive(), nullptr);
    if (result != ERROR_SUCCESS)
    {
        ErrorLog("OVWin registry modification failed: Error while opening key \"HKLM\\SOFTWARE\\%s\"; %s",
                 kCompanyName, Describe(static_cast<DWORD>(result), description, sizeof(description)));
        return false;
    }
    if (reflection)
    {
        result = RegDisableReflectionKey(company.Get());
        if (result != ERROR_SUCCESS)
        {
            ErrorLog("OVWin registry modification failed: Error while disabling reflection on handle for key "
                     "\"HKLM\\SOFTWARE\\%s\"; %s",
                     kCompanyName, Describe(static_cast<DWORD>(result), description, sizeof(description)));
            return false;
        }
    }

    const DWORD stage = OpenUpCompanyKey(company.Get(), keyName);
    // The stage is a record for support staff; the repair goes on without it.
    RegSetValueExA(company.Get(), "_icode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stage),
                   sizeof(stage));
    ResetLauncherValues(company.Get());
    company.Reset();
    DebugLogText("UpdateConfigRegistry: Registry tasks completed successfully.");
    return true;
}
