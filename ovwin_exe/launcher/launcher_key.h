// The launcher's own registry key, HKLM "SOFTWARE\<company>\Launcher", always
// in the 64-bit view.
#pragma once

#include "foundation/text_limits.h"

#include <cstddef>
#include <cstdint>

extern char LauncherKey[kRegistryPathCapacity]; // the key's path, set by Initialize

constexpr std::size_t kLauncherSettingCapacity = 100;

// Formats the key path for the company.
void FormatLauncherKeyPath(char* destination, std::size_t capacity);

// Reads the "Debug" level; on failure logs the error (which, before the logs
// are open, only counts it) and returns false.
bool ReadDebugLevel(int32_t* level);

// Writes "LastRunFrom" (the whole WorkingFolder buffer), creating the key
// when it is missing; a failure ends with a warning line.
void SaveWorkingFolder();

// Reads a text value into a destination of kLauncherSettingCapacity bytes.
bool ReadLauncherSetting(const char* valueName, char* destination);

// Writes "UsingTCache" as a DWORD.
bool SetUsingTCache(uint32_t value);
