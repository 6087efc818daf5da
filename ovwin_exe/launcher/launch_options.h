// The run options of one start: switches, the preload flag and the command
// line as received.
#pragma once

#include "diagnostics/log.h"
#include "environment/library_version.h"
#include "foundation/text_limits.h"

#include <cstdint>

struct SwitchOption
{
    bool Set;
    char Value[kPathCapacity]; // kept for "d" and "i"; nobody reads it yet
};

struct LaunchOptionsRecord
{
    SwitchOption SilentMode;            // -s: no splash window
    SwitchOption RepairMode;            // -r: repair even what passes its checks
    SwitchOption DiagnosticLogging;     // -d: log level 1
    SwitchOption DeveloperDebugLogging; // -d100: log level 100
    SwitchOption AppendLogFiles;        // -kl: keep earlier logs
    SwitchOption UsingInstanceFile;     // -i: hand an instance file to the main program
    SwitchOption ElevateProcessRequest; // -el: this launcher is the elevated restart
    int32_t PreloadMode;                // 1 when "preload" is an engine command
    char CommandLine[kPathCapacity];    // the argument text when it fits, else empty
};

extern LaunchOptionsRecord LaunchOptions;

// What the logs are opened with: the switches and the launcher's version.
LogSettings LogSettingsFor(const LaunchOptionsRecord& options, const LibraryVersion& version);
