// What LoadSystemInfoObject asks of the platform. Each hook gathers plain
// values and logs only its own failures; the order of the questions, the
// record and its log lines stay in the portable core. Implemented in
// system_info_win.cpp.
#pragma once

#include "sysinfo/os_identity.h"
#include "sysinfo/system_info.h"
#include "sysinfo/system_report.h"

#include <cstddef>
#include <cstdint>

// The extended version record; false when the system would not give it.
[[nodiscard]] bool QueryOsVersion(OsVersionRecord& version);
OsVersionTests QueryOsVersionTests();
// GetProductInfo's code, looked up at run time; 0 when missing or failing.
[[nodiscard]] uint32_t QueryProductCode(const OsVersionRecord& version);
// "DisplayVersion", else "ReleaseId", from the 64-bit registry view; empty
// when neither has a text. Registry errors other than a missing value are
// logged.
void QueryReleaseLabel(char* label, std::size_t capacity);

ProcessorRecord QueryProcessor();
[[nodiscard]] bool QueryComputerName(char* name, std::size_t capacity);
[[nodiscard]] bool QueryMemoryTotals(uint64_t& totalPhysicalBytes, uint64_t& totalVirtualBytes);

[[nodiscard]] bool QueryUserName(char* name, std::size_t capacity);
UacSettingReading QueryUacSetting();

// The token questions. Each releases what it took before it returns, and on
// failure says what failed in `failure`.
[[nodiscard]] bool QueryLocalAdminMembership(bool askElevationType, bool& member, TokenFailure& failure);
[[nodiscard]] bool QueryProcessElevated(bool& elevated, TokenFailure& failure);
[[nodiscard]] bool QueryAdminInvoked(bool& invoked, TokenFailure& failure);
[[nodiscard]] bool QueryIntegrityRid(uint32_t& integrityRid, TokenFailure& failure);

// Ends the run after a failed token query, as a fatal failure: without the
// token's answers the launcher cannot tell which rights it has. Does not
// return on Windows.
void StopForTokenFailure(const TokenFailure& failure);
