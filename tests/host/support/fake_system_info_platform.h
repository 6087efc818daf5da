// The host's stand-in for the system information hooks: a machine whose
// answers the test sets, and a record of what was asked.
#pragma once

#include "sysinfo/os_identity.h"
#include "sysinfo/system_info.h"
#include "sysinfo/system_report.h"

#include <string>
#include <vector>

namespace fake_system_info
{
enum class TokenQuery
{
    None,
    LocalAdmin,
    Elevation,
    AdminInvoked,
    Integrity,
};

struct Machine
{
    bool VersionAvailable;
    OsVersionRecord Version;
    OsVersionTests Tests;
    uint32_t ProductCode;
    std::string ReleaseLabel;
    ProcessorRecord Processor;
    std::string ComputerName; // empty: the name cannot be had
    uint64_t TotalPhysicalBytes;
    uint64_t TotalVirtualBytes;
    std::string IpAddress;
    std::string UserName; // empty: the name cannot be had
    UacSettingReading Uac;
    bool LocalAdmin;
    bool Elevated;
    bool AdminInvoked;
    uint32_t IntegrityRid;
    TokenQuery FailingQuery; // fails with error 5
};

// Windows 10 22H2 Pro on x64, an elevated administrator under UAC; also
// clears SystemInfoObject and the counters.
Machine& Reset();
Machine& Current();

struct Questions
{
    int Version = 0;
    int ReleaseLabel = 0;
    int LocalAdmin = 0;
    bool LocalAdminAskedElevationType = false;
    int Uac = 0;
    int Elevation = 0;
};
const Questions& Asked();
// The failures passed to StopForTokenFailure, which here returns.
const std::vector<TokenFailure>& Stops();
} // namespace fake_system_info
