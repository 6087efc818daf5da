// Marketing names of the operating system and the supported list. All
// Windows 10 and 11 releases report version 10.0, so the names go by build
// number; everything here works on values the platform layer has gathered.
#pragma once

#include "sysinfo/system_info.h"

#include <cstddef>
#include <cstdint>

// Answers of VerifyVersionInfoA: greater-or-equal on major, minor and
// service-pack major, and whether the product type is not a workstation.
struct OsVersionTests
{
    bool XpSp3OrGreater; // 5.1 SP3
    bool Win7OrGreater;  // 6.1
    bool Win7Sp1OrGreater;
    bool Win10OrGreater;
    bool Server;
};

// The edition for a GetProductInfo code: empty for 0, a name from the
// table, or "(ProductCode 0X..)" for a code the table does not know.
void EditionNameForProductCode(uint32_t productCode, char* destination, std::size_t capacity);

// Only Windows 10 and later are told apart by their release label, so only
// they need the registry read.
[[nodiscard]] bool ReleaseLabelWanted(const OsVersionRecord& version, const OsVersionTests& tests);

// Fills the operating-system group of the record from its OsVersion, the
// version tests, the product code (0 when none) and the release label
// (empty when none), and sets OsNamed. True when one of the two Windows 7
// workstation names was chosen, which earns the end-of-life statement.
[[nodiscard]] bool IdentifyOperatingSystem(SystemInfoRecord& record, const OsVersionTests& tests,
                                           uint32_t productCode, const char* releaseLabel);
