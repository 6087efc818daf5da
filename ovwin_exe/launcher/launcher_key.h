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

// The "Debug" level; 0 when it cannot be read, with the error logged (which,
// before the logs are open, only counts it).
[[nodiscard]] int32_t ReadDebugLevel();

// Writes "LastRunFrom" (the whole WorkingFolder buffer), creating the key
// when it is missing; a failure ends with a warning line.
void SaveWorkingFolder();

// Reads a text value into a destination of kLauncherSettingCapacity bytes.
[[nodiscard]] bool ReadLauncherSetting(const char* valueName, char* destination);

// Writes "UsingTCache" as a DWORD.
bool SetUsingTCache(uint32_t value);
