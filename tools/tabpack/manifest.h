// tabpack's manifest: what goes into an archive, one entry a line.
//
//   # comment
//   SOURCE DESTINATION RULE [TIME]
//   unused
//
// SOURCE is a file, in double quotes when it holds blanks; the entry's name
// is its last path component. DESTINATION is the destination code, RULE an
// install rule word or number, TIME a UTC time YYYY-MM-DDTHH:MM:SS[.mmm]Z.
// "unused" stands for an unused record at that place.
//
// The bytes of a name are stored as they stand; the launcher reads them in
// its workstation's ANSI code page. A UTF-8 byte-order mark at the start is
// skipped.
#pragma once

#include "install/tab_format.h"

#include <cstdint>
#include <string>
#include <vector>

struct ManifestEntry
{
    unsigned Line;
    bool Unused;
    std::string Source; // as written
    std::string Name;
    std::string Destination;
    uint32_t InstallType;
    bool HasTimestamp;
    TabTimestamp Timestamp;
};

struct Manifest
{
    std::vector<ManifestEntry> Entries;
    std::vector<std::string> Errors;   // "line N: ..."
    std::vector<std::string> Warnings; // "line N: ..."
};

Manifest ParseManifest(const std::string& text);

// "YYYY-MM-DDTHH:MM:SS[.mmm]Z" with DayOfWeek filled in; false when the
// text is not such a time or not a valid one.
bool ParseUtcTime(const std::string& text, TabTimestamp* stamp);

// The words a manifest may use for the install rules, in any letter case.
bool ParseInstallRule(const std::string& text, uint32_t* installType);
