// Whether an archive entry is to be installed over what a workstation holds
// at its place: the rule of the entry against the installed file's time and
// size. The launcher's update step and tabpack's plan both decide here, so
// a rehearsal on a staging copy decides as a start does.
#pragma once

#include "install/tab_format.h"

#include <cstddef>
#include <cstdint>

// What the update step found at the entry's place.
enum class InstalledState
{
    NotInstalled, // no file of the name
    Unknown,      // a file that cannot be opened for reading: counts as not installed
    NotChecked,   // redirection could not be switched off: counts as not installed
    Present,
};

struct InstalledFile
{
    InstalledState State;
    TabTimestamp LastWrite; // UTC, as the file system keeps it; only when Present
    uint32_t Size;          // the low 32 bits; only when Present
};

// Why the decision went as it did, for whoever explains it.
enum class InstallReason
{
    NotInstalled,      // any known rule installs a file that is not there
    Differs,           // INSTALL_DIFFERENT: time (to the minute) or size differs
    Same,              // INSTALL_DIFFERENT: same time to the minute and same size
    EntryNewer,        // INSTALL_NEWER: the entry's time is later, to the minute
    EntryNotNewer,     // INSTALL_NEWER: the entry's time is the same or earlier
    Always,            // INSTALL_ALWAYS
    AlreadyInstalled,  // INSTALL_DOES_NOT_EXIST with a file in place
    RuleNeverInstalls, // any other rule, 104 and 0 included
};

struct InstallDecision
{
    bool Install;
    InstallReason Reason;
};

// Times are compared by Year, Month, Day, Hour and Minute only; seconds,
// milliseconds and the day of the week never count, and INSTALL_NEWER
// ignores the sizes.
[[nodiscard]] InstallDecision DecideEntryInstall(uint32_t installType, const InstalledFile& installed,
                                                 const TabTimestamp& entryTime, uint32_t entrySize);

// "INSTALL_DIFFERENT", "INSTALL_NEWER", "INSTALL_ALWAYS",
// "INSTALL_DOES_NOT_EXIST"; null for a rule that never installs.
const char* InstallTypeName(uint32_t installType);

// The update step's description of an entry and its installed file:
// "\"PATH\" Current File: M-D-YYYY H:MM SIZE,  Installer File: M-D-YYYY H:MM SIZE",
// "Not Installed" or "Unknown" in the place of the installed file's fields,
// and empty when the file was not checked. False when it does not fit (the
// buffer is then empty).
bool DescribeInstalledFile(const char* path, const InstalledFile& installed, const ArchiveEntry& entry,
                           char* destination, std::size_t capacity);
