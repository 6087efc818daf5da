#include "environment/file_system.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/fs_redirection.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"

#include <windows.h>

#include <cstring>

namespace
{
constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_64KEY; // 0x20119
constexpr DWORD kDirectoryCheckPauseMs = 100;

// The text of a value read as REG_SZ, which need not end inside the buffer.
int TextLength(const void* data, uint32_t size)
{
    const void* end = std::memchr(data, '\0', size);
    return static_cast<int>(end != nullptr ? static_cast<const char*>(end) - static_cast<const char*>(data)
                                           : size);
}
} // namespace

int32_t FileExist(const char* path)
{
    FunctionTrace trace("FileExist");
    LogDepthScope body;
    if (!DisableFSCompatibility())
    {
        return 0;
    }
    int32_t result = 0;
    WIN32_FIND_DATAA found;
    if (const FindHandle search{FindFirstFileA(path, &found)})
    {
        DebugLogAt(kLogDeveloper, "FileExist: \"%s\" is present.", path);
        result = 1;
    }
    else
    {
        DebugLogAt(kLogDeveloper, "FileExist: \"%s\" does not exist (INVALID_HANDLE_VALUE).", path);
    }
    EnableFSCompatibility();
    return result;
}

bool DirectoryExists(const char* path)
{
    FunctionTrace trace("DirectoryExists");
    RaiseLogDepth();
    const DWORD attributes = GetFileAttributesA(path);
    const DWORD error = GetLastError();
    DebugLogAt(kLogDeveloper, "DirectoryExists: GetFileAttributes \"%s\" resulted in %d.", path,
               static_cast<int>(attributes));
    RaiseLogDepth();
    const bool valid = attributes != INVALID_FILE_ATTRIBUTES;
    const bool folder = valid && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!valid)
    {
        char description[kErrorTextCapacity];
        DebugLogAt(kLogDeveloper,
                   "DirectoryExists: Path check for \"%s\" resulted in INVALID_FILE_ATTRIBUTES; %s", path,
                   FormatErrorString(error, description, sizeof(description)));
    }
    else if (folder)
    {
        DebugLogAt(kLogDeveloper, "DirectoryExists: \"%s\" is an existing folder.", path);
    }
    else
    {
        DebugLogAt(kLogDeveloper, "DirectoryExists: \"%s\" is not a folder.", path);
    }
    LowerLogDepth();
    // Callers that have just created or removed the folder rely on the pause.
    Sleep(kDirectoryCheckPauseMs);
    LowerLogDepth();
    return folder;
}

int32_t GetRegistryValue(const char* keyPath, const char* valueName, uint32_t expectedType, void* destination,
                         uint32_t size)
{
    LogDepthScope body;
    if (destination == nullptr)
    {
        DebugLog(
            "GetRegistryValue: Path \"%s\" Result: FAILED to retrieve value \"%s\": destination pointer is "
            "null.",
            keyPath, valueName);
        return 0;
    }
    char description[kLongErrorTextCapacity];
    DWORD type = expectedType;
    DWORD read = size;
    LSTATUS result = ERROR_SUCCESS;
    {
        RegistryKey key;
        result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, kReadAccess, key.Receive());
        if (result != ERROR_SUCCESS)
        {
            DebugLog("GetRegistryValue: Path \"%s\" Result: FAILED to open key. Reason: %s", keyPath,
                     FormatErrorString(static_cast<uint32_t>(result), description, sizeof(description)));
            return 0;
        }
        result =
            RegQueryValueExA(key.Get(), valueName, nullptr, &type, static_cast<BYTE*>(destination), &read);
    }
    if (result != ERROR_SUCCESS)
    {
        DebugLog("GetRegistryValue: Path \"%s\" Result: FAILED to retrieve value \"%s\". Reason: %s", keyPath,
                 valueName,
                 FormatErrorString(static_cast<uint32_t>(result), description, sizeof(description)));
        return 0;
    }
    if (type == REG_DWORD)
    {
        DWORD value = 0;
        std::memcpy(&value, destination, read < sizeof(value) ? read : sizeof(value));
        DebugLog("GetRegistryValue: Path \"%s\" Key: \"%s\" Result: Success. Type: DWORD Value: %u", keyPath,
                 valueName, static_cast<unsigned>(value));
    }
    else if (type == REG_SZ)
    {
        DebugLog("GetRegistryValue: Path \"%s\" Key: \"%s\" Result: Success. Type: SZ Value: %.*s", keyPath,
                 valueName, TextLength(destination, read), static_cast<const char*>(destination));
    }
    else
    {
        DebugLog("GetRegistryValue: Path \"%s\" Key: \"%s\" Result: Success. Type: Unspecified.", keyPath,
                 valueName);
    }
    return 1;
}
