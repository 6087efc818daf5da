#include "launcher/launcher_key.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "foundation/win32_owners_win.h"
#include "launcher/launcher_identity.h"

#include <windows.h>

#include <cstring>

namespace
{
constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_64KEY;         // 0x20119
constexpr REGSAM kWriteAccess = KEY_WRITE | KEY_WOW64_64KEY;       // 0x20106
constexpr REGSAM kCreateAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY; // 0xF013F
// RRF_SUBKEY_WOW6464KEY: the SDK headers offer it only for Windows 10 targets.
constexpr DWORD kGetValueFrom64BitView = 0x00010000;

const char* Describe(LSTATUS code, char* description)
{
    return FormatErrorString(static_cast<uint32_t>(code), description, kErrorTextCapacity);
}

// The launcher key open for writing, created when it is missing; empty,
// with the failure logged, when neither works.
RegistryKey OpenForWriting()
{
    char description[kErrorTextCapacity];
    RegistryKey key;
    LSTATUS result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, LauncherKey, 0, kWriteAccess, key.Receive());
    if (result == ERROR_SUCCESS)
    {
        return key;
    }
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND)
    {
        result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, LauncherKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 kCreateAccess, nullptr, key.Receive(), nullptr);
        if (result == ERROR_SUCCESS)
        {
            return key;
        }
        DebugLog("OVWin registry access failed: Error while creating/opening key \"%s\"; Setup may be "
                 "required; %s",
                 LauncherKey, Describe(result, description));
        return RegistryKey();
    }
    ErrorLog("OVWin registry access failed: Error while opening key \"%s\"; %s", LauncherKey,
             Describe(result, description));
    return RegistryKey();
}

void ReportFailedWrite(const char* valueName, LSTATUS result)
{
    char description[kErrorTextCapacity];
    ErrorLog("OVWin registry access failed: Error while writing key \"%s\" to \"%s\"; %s", valueName,
             LauncherKey, Describe(result, description));
}
} // namespace

int32_t ReadDebugLevel()
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS result = RegGetValueA(HKEY_LOCAL_MACHINE, LauncherKey, "Debug",
                                        RRF_RT_REG_DWORD | kGetValueFrom64BitView, nullptr, &value, &size);
    if (result != ERROR_SUCCESS)
    {
        char description[kErrorTextCapacity];
        ErrorLog("OVWin registry access error: Error while reading configuration subkey \"Debug\"; %s",
                 Describe(result, description));
        return 0;
    }
    return static_cast<int32_t>(value);
}

void SaveWorkingFolder()
{
    bool saved = false;
    if (const RegistryKey key = OpenForWriting())
    {
        // The whole buffer, the text and the zero bytes after it.
        const LSTATUS result =
            RegSetValueExA(key.Get(), "LastRunFrom", 0, REG_SZ, reinterpret_cast<const BYTE*>(WorkingFolder),
                           sizeof(WorkingFolder));
        saved = result == ERROR_SUCCESS;
        if (!saved)
        {
            ReportFailedWrite("LastRunFrom", result);
        }
    }
    if (!saved && LogLevel > 0 && LogsOpen)
    {
        DebugLogText("Initialize: Warning: Failed to save working folder to registry.");
    }
}

bool ReadLauncherSetting(const char* valueName, char* destination)
{
    char description[kErrorTextCapacity];
    RegistryKey key;
    LSTATUS result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, LauncherKey, 0, kReadAccess, key.Receive());
    if (result != ERROR_SUCCESS)
    {
        ErrorLog("OVWin registry access failed: Error while opening key \"%s\"; %s", LauncherKey,
                 Describe(result, description));
        return false;
    }
    std::memset(destination, 0, kLauncherSettingCapacity);
    DWORD size = kLauncherSettingCapacity;
    result =
        RegQueryValueExA(key.Get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(destination), &size);
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND)
    {
        DebugLog("Registry access did not succeed: Key not found while reading key \"%s\" from \"%s\"; %s",
                 valueName, LauncherKey, Describe(result, description));
        return false;
    }
    if (result != ERROR_SUCCESS)
    {
        ErrorLog("Registry access failed: Error while reading key \"%s\" from \"%s\"; %s", valueName,
                 LauncherKey, Describe(result, description));
        return false;
    }
    destination[kLauncherSettingCapacity - 1] = '\0'; // a full-length value need not end with a NUL
    DebugLog("Registry access: Read success from key \"%s\" in \"%s\". Value=%s", valueName, LauncherKey,
             destination);
    return true;
}

bool SetUsingTCache(uint32_t value)
{
    const RegistryKey key = OpenForWriting();
    if (!key)
    {
        return false;
    }
    const DWORD data = value;
    const LSTATUS result = RegSetValueExA(key.Get(), "UsingTCache", 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&data), sizeof(data));
    if (result != ERROR_SUCCESS)
    {
        ReportFailedWrite("UsingTCache", result);
        return false;
    }
    return true;
}
