#include "install/install_decision.h"

#include "foundation/format_buffer.h"
#include "install/install_codes.h"

namespace
{
// -1, 0 or 1 as the first of Year, Month, Day, Hour and Minute that differs
// is smaller, equal or greater in left.
int CompareToTheMinute(const TabTimestamp& left, const TabTimestamp& right)
{
    const uint16_t leftFields[] = {left.Year, left.Month, left.Day, left.Hour, left.Minute};
    const uint16_t rightFields[] = {right.Year, right.Month, right.Day, right.Hour, right.Minute};
    for (std::size_t i = 0; i < sizeof(leftFields) / sizeof(leftFields[0]); ++i)
    {
        if (leftFields[i] != rightFields[i])
        {
            return leftFields[i] < rightFields[i] ? -1 : 1;
        }
    }
    return 0;
}
} // namespace

InstallDecision DecideEntryInstall(uint32_t installType, const InstalledFile& installed,
                                   const TabTimestamp& entryTime, uint32_t entrySize)
{
    if (InstallTypeName(installType) == nullptr)
    {
        return {false, InstallReason::RuleNeverInstalls};
    }
    if (installed.State != InstalledState::Present)
    {
        return {true, InstallReason::NotInstalled};
    }
    switch (installType)
    {
        case INSTALL_DIFFERENT:
            if (CompareToTheMinute(entryTime, installed.LastWrite) != 0 || entrySize != installed.Size)
            {
                return {true, InstallReason::Differs};
            }
            return {false, InstallReason::Same};
        case INSTALL_NEWER:
            if (CompareToTheMinute(entryTime, installed.LastWrite) > 0)
            {
                return {true, InstallReason::EntryNewer};
            }
            return {false, InstallReason::EntryNotNewer};
        case INSTALL_ALWAYS:
            return {true, InstallReason::Always};
        case INSTALL_DOES_NOT_EXIST:
        default:
            return {false, InstallReason::AlreadyInstalled};
    }
}

const char* InstallTypeName(uint32_t installType)
{
    switch (installType)
    {
        case INSTALL_DIFFERENT:
            return "INSTALL_DIFFERENT";
        case INSTALL_NEWER:
            return "INSTALL_NEWER";
        case INSTALL_ALWAYS:
            return "INSTALL_ALWAYS";
        case INSTALL_DOES_NOT_EXIST:
            return "INSTALL_DOES_NOT_EXIST";
        default:
            return nullptr;
    }
}

bool DescribeInstalledFile(const char* path, const InstalledFile& installed, const ArchiveEntry& entry,
                           char* destination, std::size_t capacity)
{
    const TabTimestamp& entryTime = entry.Timestamp;
    const int entrySize = static_cast<int>(entry.Size);
    int written = 0;
    switch (installed.State)
    {
        case InstalledState::NotChecked:
            destination[0] = '\0';
            return true;
        case InstalledState::NotInstalled:
        case InstalledState::Unknown:
            written = FormatToBuffer(
                destination, capacity, "\"%s\" Current File: %s,  Installer File: %d-%d-%d %d:%02d %d", path,
                installed.State == InstalledState::Unknown ? "Unknown" : "Not Installed", entryTime.Month,
                entryTime.Day, entryTime.Year, entryTime.Hour, entryTime.Minute, entrySize);
            break;
        case InstalledState::Present: {
            const TabTimestamp& current = installed.LastWrite;
            written = FormatToBuffer(
                destination, capacity,
                "\"%s\" Current File: %d-%d-%d %d:%02d %d,  Installer File: %d-%d-%d %d:%02d %d", path,
                current.Month, current.Day, current.Year, current.Hour, current.Minute,
                static_cast<int>(installed.Size), entryTime.Month, entryTime.Day, entryTime.Year,
                entryTime.Hour, entryTime.Minute, entrySize);
            break;
        }
    }
    return written >= 0;
}
