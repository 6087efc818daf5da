#include "install/archive_public_key_win.h"

#include "foundation/win32_owners_win.h"

#include <windows.h>

namespace
{
constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_64KEY; // 0x20119
constexpr const char* kPublicKeyValue = "ArchivePublicKey";

bool IsMissing(LSTATUS result)
{
    return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND;
}

ArchivePublicKey Unusable(SignatureRefusal refusal, LSTATUS result)
{
    ArchivePublicKey key;
    key.Setting = PublicKeySetting::Unusable;
    key.Problem.Refusal = refusal;
    key.Problem.Status = static_cast<uint32_t>(result);
    return key;
}
} // namespace

ArchivePublicKey ReadArchivePublicKey(const char* launcherKeyPath)
{
    RegistryKey launcherKey;
    LSTATUS result =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, launcherKeyPath, 0, kReadAccess, launcherKey.Receive());
    if (IsMissing(result))
    {
        return ArchivePublicKey();
    }
    if (result != ERROR_SUCCESS)
    {
        return Unusable(SignatureRefusal::KeyValueUnreadable, result);
    }
    ArchivePublicKey key;
    DWORD type = REG_NONE;
    DWORD size = sizeof(key.Point);
    result = RegQueryValueExA(launcherKey.Get(), kPublicKeyValue, nullptr, &type, key.Point, &size);
    if (IsMissing(result))
    {
        return ArchivePublicKey();
    }
    // A longer value still tells its type and size.
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
    {
        return Unusable(SignatureRefusal::KeyValueUnreadable, result);
    }
    const SignatureRefusal judged = JudgePublicKeyValue(type, size);
    if (judged != SignatureRefusal::None)
    {
        key = Unusable(judged, result);
        key.Problem.ValueType = type;
        key.Problem.ValueSize = size;
        return key;
    }
    key.Setting = PublicKeySetting::Configured;
    return key;
}
