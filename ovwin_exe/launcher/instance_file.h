// The instance file "instance.t1": everything the launcher found out about
// this start, handed to the main program as sections of key=value lines.
#pragma once

#include "environment/known_folders.h"
#include "environment/library_version.h"
#include "sysinfo/system_info.h"

#include <string>
#include <vector>

struct InstanceFacts
{
    const char* modulePath;
    const LibraryVersion* launcherVersion;
    const char* argumentText;   // as the launcher received it
    const char* engineCommands; // joined by commas
    const char* workingFolder;
    const KnownFoldersRecord* folders;
    const char* debugLogPath;
    const char* errorLogPath;
    const SystemInfoRecord* systemInfo;
};

// The file's lines in order, without line ends; sections and keys appear
// only when the facts behind them were gathered.
std::vector<std::string> BuildInstanceFileLines(const InstanceFacts& facts);

// Writes the file for this start into the cache folder or the launcher's
// folder: true when it was written, with its path in pathOut (260 bytes);
// false, with the error logged and pathOut untouched, when it could not be
// created.
[[nodiscard]] bool CreateT1File(bool usingCache, const char* argumentText, char* pathOut);
