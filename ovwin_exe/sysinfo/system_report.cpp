#include "sysinfo/system_report.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "foundation/format_buffer.h"

const char kWindows7EndOfSupportAddress[] =
    "https://www.microsoft.com/windows/windows-7-end-of-life-support-information";

namespace
{
constexpr uint32_t kArchitectureX86 = 0;
constexpr uint32_t kArchitectureX64 = 9;
constexpr uint32_t kArchitectureArm64 = 12;

constexpr uint32_t kIntegrityLow = 0x1000;
constexpr uint32_t kIntegrityMedium = 0x2000;
constexpr uint32_t kIntegrityHigh = 0x3000;

constexpr uint32_t kErrorFileNotFound = 2;
} // namespace

void LogOperatingSystemLines(const SystemInfoRecord& record, bool windows7Statement)
{
    const OsVersionRecord& version = record.OsVersion;
    DebugLog("Detected Operating System: \"%s\" (%s) Version %d.%d.%d (Service Pack %d.%d)", record.OsName,
             "64-bit", static_cast<int>(version.MajorVersion), static_cast<int>(version.MinorVersion),
             static_cast<int>(version.BuildNumber), static_cast<int>(version.ServicePackMajor),
             static_cast<int>(version.ServicePackMinor));
    LogDepthScope warnings;
    if (windows7Statement)
    {
        DebugLogText("*** WARNING!!! WINDOWS 7 END OF LIFE SUPPORT STATEMENT ***");
        DebugLogText(
            "As of January 14, 2020, Microsoft no longer provides security updates or support for PCs "
            "running Windows 7.");
        DebugLog("Please see %s for further information.", kWindows7EndOfSupportAddress);
    }
    else if (!record.OsSupported)
    {
        DebugLogText("WARNING!!! THIS OPERATING SYSTEM IS NOT ON THE SUPPORTED OS LIST!");
    }
}

uint64_t WholeMegabytes(uint64_t bytes)
{
    return bytes / 1048576u;
}

void LogHardwareLines(const SystemInfoRecord& record)
{
    const ProcessorRecord& processor = record.SystemInfo;
    DebugLog("Detected CPU: %s (Level %u Model %u Stepping %u)", record.CpuName,
             static_cast<unsigned>(processor.ProcessorLevel),
             static_cast<unsigned>(processor.ProcessorRevision >> 8),
             static_cast<unsigned>(processor.ProcessorRevision & 0xFF));
    switch (processor.ProcessorArchitecture)
    {
        case kArchitectureX64:
            DebugLogText("Detected Architecture: x86-64");
            break;
        case kArchitectureX86:
            DebugLogText("Detected Architecture: x86");
            break;
        case kArchitectureArm64:
            DebugLogText("Detected Architecture: ARM-64");
            DebugLogText("WARNING!!! THIS ARCHITECTURE TYPE IS NOT SUPPORTED!");
            break;
        default:
            DebugLogText("Detected Architecture: Unknown");
            break;
    }
    DebugLog("Detected Memory Capacity: %lld MB Physical, %lld MB Virtual (approx).",
             static_cast<long long>(WholeMegabytes(record.TotalPhysicalBytes)),
             static_cast<long long>(WholeMegabytes(record.TotalVirtualBytes)));
    DebugLog("Detected workstation name: %s", record.ComputerName);
}

const char* IntegrityLevelName(uint32_t integrityRid)
{
    if (integrityRid >= kIntegrityHigh)
    {
        return "High";
    }
    if (integrityRid >= kIntegrityMedium)
    {
        return "Medium";
    }
    return integrityRid == kIntegrityLow ? "Low" : "";
}

bool JudgeUacSetting(const UacSettingReading& reading)
{
    if (reading.OpenError != 0)
    {
        ErrorLogWin32(
            reading.OpenError,
            "IsUACEnabled: ERROR: Unable to determine if UAC is active. Unable to access registry key.");
        return true;
    }
    DeveloperLogText("IsUACEnabled: Obtained key successfully.");
    if (reading.ReadError == 0)
    {
        if (reading.Value > 0)
        {
            DeveloperLogText("IsUACEnabled: UAC appears to be enabled on this machine.");
            return true;
        }
        DeveloperLogText("IsUACEnabled: UAC appears to be disabled on this machine.");
        return false;
    }
    if (reading.ReadError == kErrorFileNotFound)
    {
        DebugLogText(
            "IsUACEnabled: WARNING: UAC Registry key does not exist. This may be ok on older non-UAC "
            "Windows systems.");
        return false;
    }
    ErrorLogWin32(
        reading.ReadError,
        "IsUACEnabled: ERROR: Unable to determine if UAC is active. Unable to retrieve registry value.");
    return true;
}

void BuildAccountSentence(const SystemInfoRecord& record, char* destination, std::size_t capacity)
{
    const char* rights = " who has local user rights.";
    if (record.IsUserLocalAdmin && record.IsUserDomainAdmin)
    {
        rights = " who has local and domain administrator rights.";
    }
    else if (record.IsUserLocalAdmin)
    {
        rights = " who has local administrator rights.";
    }
    FormatToBuffer(destination, capacity, "Executing as \"%s\"%s", record.UserName, rights);
}

void BuildProcessSentence(const SystemInfoRecord& record, char* destination, std::size_t capacity)
{
    const char* invoked = record.IsAdminInvoked ? " invoked as administrator" : " invoked as standard user";
    if (!record.IsWin7OrGreater)
    {
        FormatToBuffer(destination, capacity, "Process running%s", invoked);
        return;
    }
    FormatToBuffer(destination, capacity, "Process running %s%s%s with integrity level \"%s\".",
                   record.IsProcessElevated ? "elevated" : "non-elevated",
                   record.IsUacEnabled ? " under UAC" : " without UAC requirements", invoked,
                   record.IntegrityLevelName);
}

bool AdministratorNoteWanted(const SystemInfoRecord& record)
{
    return record.IsWin7OrGreater && record.IsUacEnabled && !record.IsProcessElevated &&
           !record.IsAdminInvoked && (record.IsUserLocalAdmin || record.IsUserDomainAdmin);
}

void LogRightsLines(const SystemInfoRecord& record)
{
    char sentence[kMessageCapacity];
    BuildAccountSentence(record, sentence, sizeof(sentence));
    DebugLog("%s", sentence);
    BuildProcessSentence(record, sentence, sizeof(sentence));
    DebugLog("%s", sentence);
    if (!record.IsWin7OrGreater)
    {
        return;
    }
    if (AdministratorNoteWanted(record))
    {
        DebugLogText(
            "Note: Even though the user is an administrator, the current OS settings require that the "
            "user explicitly launch OVWin as an administrator to get full rights. Any admin "
            "requirements will prompt for elevation.");
    }
    DebugLogText("Process is not eligible for WOW64 File System redirection.");
}

void LogTokenFailure(const TokenFailure& failure, const char* description)
{
    ErrorLog("%s: Failed to %s; %s", failure.Operation, failure.Action, description);
}
