#include "sysinfo/system_info_platform.h"

#include "diagnostics/error_description.h"
#include "diagnostics/fatal_failure.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"

#include <windows.h>

namespace
{
constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kPoliciesSystemKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr REGSAM kReadAccess64 = KEY_READ | KEY_WOW64_64KEY; // 0x20119

// The operations named in the error line of a failed token query.
constexpr char kAdminCheck[] = "IsUserLocalAdmin";
constexpr char kLoad[] = "LoadSystemInfoObject";

bool Fail(TokenFailure& failure, const char* operation, const char* action, DWORD error)
{
    failure = {operation, action, static_cast<uint32_t>(error)};
    return false;
}

// The process's own token as "hToken"; unfilled when it cannot be opened.
LoggedHandle OpenOwnToken(DWORD access, const char* operation, TokenFailure& failure)
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), access, &raw))
    {
        Fail(failure, operation, "open the process token", GetLastError());
        return LoggedHandle("hToken");
    }
    return LoggedHandle(raw, "hToken");
}

// Whether the running system is at least this version, by VerifyVersionInfoA.
bool VersionAtLeast(DWORD major, DWORD minor, WORD servicePackMajor)
{
    OSVERSIONINFOEXA wanted = {};
    wanted.dwOSVersionInfoSize = sizeof(wanted);
    wanted.dwMajorVersion = major;
    wanted.dwMinorVersion = minor;
    wanted.wServicePackMajor = servicePackMajor;
    ULONGLONG conditions = 0;
    conditions = VerSetConditionMask(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoA(&wanted, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              conditions) != FALSE;
}

bool IsWorkstation()
{
    OSVERSIONINFOEXA wanted = {};
    wanted.dwOSVersionInfoSize = sizeof(wanted);
    wanted.wProductType = VER_NT_WORKSTATION;
    const ULONGLONG conditions = VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL);
    return VerifyVersionInfoA(&wanted, VER_PRODUCT_TYPE, conditions) != FALSE;
}

// One string value of the open CurrentVersion key into label; a missing
// value is no error worth a line.
void ReadLabelValue(HKEY key, const char* valueName, char* label, std::size_t capacity)
{
    DWORD size = static_cast<DWORD>(capacity);
    const LSTATUS result = RegGetValueA(key, nullptr, valueName, RRF_RT_REG_SZ, nullptr, label, &size);
    if (result == ERROR_SUCCESS)
    {
        return;
    }
    label[0] = '\0';
    if (result != ERROR_FILE_NOT_FOUND && result != ERROR_PATH_NOT_FOUND)
    {
        char description[kErrorTextCapacity];
        FormatErrorString(static_cast<uint32_t>(result), description, sizeof(description));
        ErrorLog("Registry access failed: Error while reading key \"%s\" from \"%s\"; %s", valueName,
                 kCurrentVersionKey, description);
    }
}
} // namespace

bool QueryOsVersion(OsVersionRecord& version)
{
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    // The manifest's supportedOS entries make the numbers true from Windows 10
    // on; the replacement helpers would not give build and service pack.
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
    {
        return false;
    }
    version.Size = info.dwOSVersionInfoSize;
    version.MajorVersion = info.dwMajorVersion;
    version.MinorVersion = info.dwMinorVersion;
    version.BuildNumber = info.dwBuildNumber;
    version.PlatformId = info.dwPlatformId;
    CopyToBuffer(version.ServicePackText, sizeof(version.ServicePackText), info.szCSDVersion);
    version.ServicePackMajor = info.wServicePackMajor;
    version.ServicePackMinor = info.wServicePackMinor;
    version.SuiteMask = info.wSuiteMask;
    version.ProductType = info.wProductType;
    return true;
}

OsVersionTests QueryOsVersionTests()
{
    OsVersionTests tests = {};
    tests.XpSp3OrGreater = VersionAtLeast(5, 1, 3);
    tests.Win7OrGreater = VersionAtLeast(6, 1, 0);
    tests.Win7Sp1OrGreater = VersionAtLeast(6, 1, 1);
    tests.Win10OrGreater = VersionAtLeast(10, 0, 0);
    tests.Server = !IsWorkstation();
    return tests;
}

uint32_t QueryProductCode(const OsVersionRecord& version)
{
    // Looked up at run time: systems before Vista do not have it.
    using GetProductInfoFunction = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC address = kernel != nullptr ? GetProcAddress(kernel, "GetProductInfo") : nullptr;
    if (address == nullptr)
    {
        return 0;
    }
    // Through the generic function type, which every compiler lets pass.
    const auto getProductInfo =
        reinterpret_cast<GetProductInfoFunction>(reinterpret_cast<void (*)()>(address));
    DWORD productCode = 0;
    if (!getProductInfo(version.MajorVersion, version.MinorVersion, version.ServicePackMajor,
                        version.ServicePackMinor, &productCode))
    {
        return 0;
    }
    return productCode;
}

void QueryReleaseLabel(char* label, std::size_t capacity)
{
    label[0] = '\0';
    RegistryKey key;
    const LSTATUS result =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, kReadAccess64, key.Receive());
    if (result != ERROR_SUCCESS)
    {
        char description[kErrorTextCapacity];
        FormatErrorString(static_cast<uint32_t>(result), description, sizeof(description));
        ErrorLog("Registry access failed: Error while opening key \"%s\"; %s", kCurrentVersionKey,
                 description);
        return;
    }
    ReadLabelValue(key.Get(), "DisplayVersion", label, capacity);
    if (label[0] == '\0')
    {
        ReadLabelValue(key.Get(), "ReleaseId", label, capacity);
    }
}

ProcessorRecord QueryProcessor()
{
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    ProcessorRecord processor = {};
    processor.ProcessorArchitecture = info.wProcessorArchitecture;
    processor.ProcessorLevel = info.wProcessorLevel;
    processor.ProcessorRevision = info.wProcessorRevision;
    return processor;
}

bool QueryComputerName(char* name, std::size_t capacity)
{
    DWORD size = static_cast<DWORD>(capacity);
    return GetComputerNameA(name, &size) != FALSE;
}

bool QueryMemoryTotals(uint64_t& totalPhysicalBytes, uint64_t& totalVirtualBytes)
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
    {
        return false;
    }
    totalPhysicalBytes = status.ullTotalPhys;
    totalVirtualBytes = status.ullTotalVirtual;
    return true;
}

bool QueryUserName(char* name, std::size_t capacity)
{
    DWORD size = static_cast<DWORD>(capacity);
    return GetUserNameA(name, &size) != FALSE;
}

UacSettingReading QueryUacSetting()
{
    UacSettingReading reading = {};
    RegistryKey key;
    reading.OpenError = static_cast<uint32_t>(
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPoliciesSystemKey, 0, KEY_READ, key.Receive()));
    if (reading.OpenError != ERROR_SUCCESS)
    {
        return reading;
    }
    DWORD value = 0;
    DWORD size = sizeof(value);
    reading.ReadError = static_cast<uint32_t>(
        RegQueryValueExW(key.Get(), L"EnableLUA", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size));
    reading.Value = value;
    return reading;
}

bool QueryLocalAdminMembership(bool askElevationType, bool& member, TokenFailure& failure)
{
    // Declared first so that it is closed second, after hToken, on every path.
    LoggedHandle tokenToCheck("hTokenToCheck");
    const LoggedHandle token = OpenOwnToken(TOKEN_QUERY | TOKEN_DUPLICATE, kAdminCheck, failure);
    if (!token)
    {
        return false;
    }

    if (askElevationType)
    {
        TOKEN_ELEVATION_TYPE elevationType = TokenElevationTypeDefault;
        DWORD size = 0;
        if (!GetTokenInformation(token.Get(), TokenElevationType, &elevationType, sizeof(elevationType),
                                 &size))
        {
            return Fail(failure, kAdminCheck, "read the elevation type of the process token", GetLastError());
        }
        // A UAC-filtered token: the full one behind it decides.
        if (elevationType == TokenElevationTypeLimited)
        {
            TOKEN_LINKED_TOKEN linked = {};
            if (!GetTokenInformation(token.Get(), TokenLinkedToken, &linked, sizeof(linked), &size))
            {
                return Fail(failure, kAdminCheck, "read the linked token of the process token",
                            GetLastError());
            }
            *tokenToCheck.Receive() = linked.LinkedToken;
        }
    }
    if (!tokenToCheck && !DuplicateToken(token.Get(), SecurityIdentification, tokenToCheck.Receive()))
    {
        return Fail(failure, kAdminCheck, "duplicate the process token", GetLastError());
    }

    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof(sid);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize))
    {
        return Fail(failure, kAdminCheck, "build the SID of the Administrators group", GetLastError());
    }
    BOOL isMember = FALSE;
    if (!CheckTokenMembership(tokenToCheck.Get(), sid, &isMember))
    {
        return Fail(failure, kAdminCheck, "check the membership of the Administrators group", GetLastError());
    }
    member = isMember != FALSE;
    return true;
}

bool QueryProcessElevated(bool& elevated, TokenFailure& failure)
{
    const LoggedHandle token = OpenOwnToken(TOKEN_QUERY, kLoad, failure);
    if (!token)
    {
        return false;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size))
    {
        return Fail(failure, kLoad, "read the elevation of the process token", GetLastError());
    }
    elevated = elevation.TokenIsElevated != 0;
    return true;
}

bool QueryAdminInvoked(bool& invoked, TokenFailure& failure)
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    AllocatedSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                  0, 0, 0, 0, administrators.Receive()))
    {
        return Fail(failure, kLoad, "build the SID of the Administrators group", GetLastError());
    }
    BOOL isMember = FALSE;
    // No token: the effective token of the process, where a filtered
    // administrator's group is deny-only.
    if (!CheckTokenMembership(nullptr, administrators.Get(), &isMember))
    {
        return Fail(failure, kLoad, "check the membership of the Administrators group", GetLastError());
    }
    invoked = isMember != FALSE;
    return true;
}

bool QueryIntegrityRid(uint32_t& integrityRid, TokenFailure& failure)
{
    const LoggedHandle token = OpenOwnToken(TOKEN_QUERY, kLoad, failure);
    if (!token)
    {
        return false;
    }
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenIntegrityLevel, nullptr, 0, &size))
    {
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER)
        {
            return Fail(failure, kLoad, "read the size of the integrity label", error);
        }
    }
    const LocalMemory<TOKEN_MANDATORY_LABEL> label(
        static_cast<TOKEN_MANDATORY_LABEL*>(LocalAlloc(LPTR, size)));
    if (!label)
    {
        return Fail(failure, kLoad, "allocate memory for the integrity label", GetLastError());
    }
    if (!GetTokenInformation(token.Get(), TokenIntegrityLevel, label.Get(), size, &size))
    {
        return Fail(failure, kLoad, "read the integrity label", GetLastError());
    }
    const TOKEN_MANDATORY_LABEL* mandatoryLabel = label.Get();
    integrityRid = static_cast<uint32_t>(*GetSidSubAuthority(mandatoryLabel->Label.Sid, 0));
    return true;
}

void StopForTokenFailure(const TokenFailure& failure)
{
    char description[kErrorTextCapacity];
    FormatErrorString(failure.Error, description, sizeof(description));
    LogTokenFailure(failure, description);
    ReportFatalFailure();
}
