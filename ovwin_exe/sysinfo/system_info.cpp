#include "sysinfo/system_info.h"

#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "sysinfo/cpu_brand.h"
#include "sysinfo/network_address.h"
#include "sysinfo/os_identity.h"
#include "sysinfo/system_info_platform.h"
#include "sysinfo/system_report.h"

SystemInfoRecord SystemInfoObject;

namespace
{
// Set while a load runs: IsUserLocalAdmin, called by the user group, must
// not start a second load when the version data could not be had.
bool loadInProgress = false;

class LoadInProgress
{
  public:
    LoadInProgress() : outer_(loadInProgress) { loadInProgress = true; }
    ~LoadInProgress() { loadInProgress = outer_; }
    LoadInProgress(const LoadInProgress&) = delete;
    LoadInProgress& operator=(const LoadInProgress&) = delete;

  private:
    bool outer_;
};

// Returns whether the version was read in this call.
bool LoadVersion(SystemInfoRecord& record)
{
    if (record.VersionKnown)
    {
        return false;
    }
    OsVersionRecord version = {};
    if (!QueryOsVersion(version))
    {
        ErrorLogText("Unable to retrieve OS version data using GetVersionEx().");
        return false;
    }
    record.OsVersion = version;
    record.VersionKnown = true;
    return true;
}

void LoadOperatingSystemGroup(SystemInfoRecord& record, bool versionReadNow)
{
    if (record.OsNamed)
    {
        // A version that arrives late is logged with its numbers; the name
        // chosen earlier stays.
        if (versionReadNow)
        {
            LogOperatingSystemLines(record, false);
        }
        return;
    }
    const OsVersionTests tests = QueryOsVersionTests();
    const uint32_t productCode = record.OsVersion.MajorVersion >= 6 ? QueryProductCode(record.OsVersion) : 0;
    char releaseLabel[kReleaseNameCapacity] = "";
    if (ReleaseLabelWanted(record.OsVersion, tests))
    {
        QueryReleaseLabel(releaseLabel, sizeof(releaseLabel));
    }
    const bool windows7 = IdentifyOperatingSystem(record, tests, productCode, releaseLabel);
    LogOperatingSystemLines(record, windows7);
}

void LoadHardwareGroup(SystemInfoRecord& record)
{
    record.SystemInfo = QueryProcessor();
    ReadCpuBrand(record.CpuName, sizeof(record.CpuName));
    if (!QueryComputerName(record.ComputerName, sizeof(record.ComputerName)))
    {
        CopyToBuffer(record.ComputerName, sizeof(record.ComputerName), "Unknown Computer");
        ErrorLogText("Unable to retrieve workstation name using GetComputerName().");
    }
    // This is the 64-bit edition: it never runs under WOW64.
    record.IsWow64Eligible = false;
    record.Is64BitEdition = true;
    if (!QueryMemoryTotals(record.TotalPhysicalBytes, record.TotalVirtualBytes))
    {
        record.TotalPhysicalBytes = 0;
        record.TotalVirtualBytes = 0;
    }
    record.HardwareLoaded = true;
    LogHardwareLines(record);
}

bool CheckUserLocalAdmin(bool& member, TokenFailure& failure)
{
    if (!SystemInfoObject.VersionKnown && !loadInProgress)
    {
        LoadSystemInfoObject();
    }
    // Before Vista there is no elevation type to ask about.
    return QueryLocalAdminMembership(SystemInfoObject.OsVersion.MajorVersion >= 6, member, failure);
}

// A failed token query stops the run; the group then stays unloaded.
void LoadUserGroup(SystemInfoRecord& record)
{
    if (!QueryUserName(record.UserName, sizeof(record.UserName)))
    {
        CopyToBuffer(record.UserName, sizeof(record.UserName), "Unknown User");
        ErrorLogText("Unable to retrieve user name using GetUserName().");
    }

    TokenFailure failure = {};
    bool localAdmin = false;
    bool elevated = false;
    bool invoked = false;
    uint32_t integrityRid = 0;
    if (!CheckUserLocalAdmin(localAdmin, failure))
    {
        StopForTokenFailure(failure);
        return;
    }
    record.IsUserLocalAdmin = localAdmin;

    record.IsUacEnabled = false;
    if (record.IsWin7OrGreater)
    {
        record.IsUacEnabled = JudgeUacSetting(QueryUacSetting());
        if (!QueryProcessElevated(elevated, failure))
        {
            StopForTokenFailure(failure);
            return;
        }
    }
    record.IsProcessElevated = elevated;

    if (!QueryAdminInvoked(invoked, failure) || !QueryIntegrityRid(integrityRid, failure))
    {
        StopForTokenFailure(failure);
        return;
    }
    record.IsAdminInvoked = invoked;
    record.IntegrityRid = integrityRid;
    CopyToBuffer(record.IntegrityLevelName, sizeof(record.IntegrityLevelName),
                 IntegrityLevelName(integrityRid));

    record.UserLoaded = true;
    LogRightsLines(record);
}
} // namespace

bool LoadSystemInfoObject()
{
    FunctionTrace trace("LoadSystemInfoObject");
    LoadInProgress loading;
    SystemInfoRecord& record = SystemInfoObject;

    const bool versionReadNow = LoadVersion(record);
    LoadOperatingSystemGroup(record, versionReadNow);
    if (!record.HardwareLoaded)
    {
        LoadHardwareGroup(record);
    }
    if (!record.NetworkLoaded)
    {
        GetNetworkAddress(record.IpAddress);
        record.NetworkLoaded = true;
    }
    if (!record.UserLoaded)
    {
        LoadUserGroup(record);
    }
    return true;
}

bool IsUserLocalAdmin()
{
    TokenFailure failure = {};
    bool member = false;
    if (!CheckUserLocalAdmin(member, failure))
    {
        StopForTokenFailure(failure);
        return false;
    }
    return member;
}

void EnsureOsNamed()
{
    if (!SystemInfoObject.OsNamed)
    {
        LoadSystemInfoObject();
    }
}
