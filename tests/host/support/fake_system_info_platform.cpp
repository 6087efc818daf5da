#include "support/fake_system_info_platform.h"

#include "foundation/format_buffer.h"
#include "sysinfo/network_address.h"
#include "sysinfo/system_info_platform.h"

#include <cstring>

namespace
{
fake_system_info::Machine machine;
fake_system_info::Questions questions;
std::vector<TokenFailure> stops;

constexpr uint32_t kAccessDenied = 5;

bool Answer(const std::string& text, char* destination, std::size_t capacity)
{
    CopyToBuffer(destination, capacity, text.c_str());
    return !text.empty();
}

bool TokenAnswer(fake_system_info::TokenQuery query, bool answer, bool& result, TokenFailure& failure)
{
    if (machine.FailingQuery == query)
    {
        failure = {"FakeTokenQuery", "answer", kAccessDenied};
        return false;
    }
    result = answer;
    return true;
}
} // namespace

namespace fake_system_info
{
Machine& Reset()
{
    std::memset(&SystemInfoObject, 0, sizeof(SystemInfoObject));
    questions = Questions();
    stops.clear();
    machine = Machine();
    machine.VersionAvailable = true;
    machine.Version = {156, 10, 0, 19045, 2, "", 0, 0, 0x100, 1};
    machine.Tests = {true, true, true, true, false};
    machine.ProductCode = 48;
    machine.ReleaseLabel = "22H2";
    machine.Processor = {9, 6, 0x9E0A};
    machine.ComputerName = "WS-0042";
    machine.TotalPhysicalBytes = 16ull << 30;
    machine.TotalVirtualBytes = 128ull << 40;
    machine.IpAddress = "10.1.2.3";
    machine.UserName = "rater";
    machine.Uac = {0, 0, 1};
    machine.LocalAdmin = true;
    machine.Elevated = true;
    machine.AdminInvoked = true;
    machine.IntegrityRid = 0x3000;
    machine.FailingQuery = TokenQuery::None;
    return machine;
}

Machine& Current()
{
    return machine;
}

const Questions& Asked()
{
    return questions;
}

const std::vector<TokenFailure>& Stops()
{
    return stops;
}
} // namespace fake_system_info

bool QueryOsVersion(OsVersionRecord& version)
{
    ++questions.Version;
    if (machine.VersionAvailable)
    {
        version = machine.Version;
    }
    return machine.VersionAvailable;
}

OsVersionTests QueryOsVersionTests()
{
    return machine.Tests;
}

uint32_t QueryProductCode(const OsVersionRecord&)
{
    return machine.ProductCode;
}

void QueryReleaseLabel(char* label, std::size_t capacity)
{
    ++questions.ReleaseLabel;
    Answer(machine.ReleaseLabel, label, capacity);
}

ProcessorRecord QueryProcessor()
{
    return machine.Processor;
}

bool QueryComputerName(char* name, std::size_t capacity)
{
    return Answer(machine.ComputerName, name, capacity);
}

bool QueryMemoryTotals(uint64_t& totalPhysicalBytes, uint64_t& totalVirtualBytes)
{
    totalPhysicalBytes = machine.TotalPhysicalBytes;
    totalVirtualBytes = machine.TotalVirtualBytes;
    return true;
}

bool QueryUserName(char* name, std::size_t capacity)
{
    return Answer(machine.UserName, name, capacity);
}

UacSettingReading QueryUacSetting()
{
    ++questions.Uac;
    return machine.Uac;
}

bool QueryLocalAdminMembership(bool askElevationType, bool& member, TokenFailure& failure)
{
    ++questions.LocalAdmin;
    questions.LocalAdminAskedElevationType = askElevationType;
    return TokenAnswer(fake_system_info::TokenQuery::LocalAdmin, machine.LocalAdmin, member, failure);
}

bool QueryProcessElevated(bool& elevated, TokenFailure& failure)
{
    ++questions.Elevation;
    return TokenAnswer(fake_system_info::TokenQuery::Elevation, machine.Elevated, elevated, failure);
}

bool QueryAdminInvoked(bool& invoked, TokenFailure& failure)
{
    return TokenAnswer(fake_system_info::TokenQuery::AdminInvoked, machine.AdminInvoked, invoked, failure);
}

bool QueryIntegrityRid(uint32_t& integrityRid, TokenFailure& failure)
{
    bool answered = false;
    if (!TokenAnswer(fake_system_info::TokenQuery::Integrity, true, answered, failure))
    {
        return false;
    }
    integrityRid = machine.IntegrityRid;
    return true;
}

void StopForTokenFailure(const TokenFailure& failure)
{
    stops.push_back(failure);
}

void GetNetworkAddress(char* destination)
{
    CopyToBuffer(destination, kIpAddressCapacity, machine.IpAddress.c_str());
}
