// The facts about the workstation that the launcher's steps depend on,
// filled group by group, each once, by LoadSystemInfoObject.
#pragma once

#include "foundation/text_limits.h"

#include <cstdint>

// The fields of the extended version record the launcher reads.
struct OsVersionRecord
{
    uint32_t Size;
    uint32_t MajorVersion;
    uint32_t MinorVersion;
    uint32_t BuildNumber;
    uint32_t PlatformId;
    char ServicePackText[128];
    uint16_t ServicePackMajor;
    uint16_t ServicePackMinor;
    uint16_t SuiteMask;
    uint8_t ProductType; // 1 workstation, 2 domain controller, 3 server
};

// The fields of the processor record the launcher reads.
struct ProcessorRecord
{
    uint16_t ProcessorArchitecture; // 0 x86, 9 x64, 12 ARM64
    uint16_t ProcessorLevel;
    uint16_t ProcessorRevision; // model in the high byte, stepping in the low
};

constexpr std::size_t kOsNameCapacity = 64;
constexpr std::size_t kReleaseNameCapacity = 32;
constexpr std::size_t kIpAddressCapacity = 16;
constexpr std::size_t kIntegrityNameCapacity = 32;

struct SystemInfoRecord
{
    // Operating system
    bool OsNamed;
    bool IsXpSp3OrGreater;
    bool IsWin7OrGreater;
    bool IsWin7Sp1OrGreater;
    bool IsWin10OrGreater;
    bool IsServer;
    bool OsSupported;
    bool VersionKnown;
    OsVersionRecord OsVersion;
    char OsName[kOsNameCapacity];
    char EditionName[kOsNameCapacity];
    bool HasEdition;
    char ReleaseName[kReleaseNameCapacity];
    bool HasReleaseName;
    // Hardware
    bool HardwareLoaded;
    ProcessorRecord SystemInfo;
    char CpuName[kShortNameCapacity];
    char ComputerName[kNameCapacity];
    uint64_t TotalPhysicalBytes;
    uint64_t TotalVirtualBytes;
    bool IsWow64Eligible;
    bool Is64BitEdition;
    // Network
    bool NetworkLoaded;
    char IpAddress[kIpAddressCapacity];
    // User and rights
    bool UserLoaded;
    char UserName[kNameCapacity];
    bool IsUserLocalAdmin;
    bool IsUserDomainAdmin;
    bool IsAdminInvoked;
    bool IsUacEnabled;
    bool IsProcessElevated;
    uint32_t IntegrityRid;
    char IntegrityLevelName[kIntegrityNameCapacity];
};

extern SystemInfoRecord SystemInfoObject;

// Fills the groups that are still empty, each once per process, and logs
// each group as it is filled; always true. Safe to call any number of times.
bool LoadSystemInfoObject();

// Loads the record when the system has not been named yet; the steps that
// decide by Windows version call this before they read it.
void EnsureOsNamed();

// Membership of the built-in Administrators group, counting the full token
// behind a UAC-filtered one. Loads the version data first when they are
// missing, but never from inside a load, which calls it itself.
[[nodiscard]] bool IsUserLocalAdmin();
