// File-system and registry utilities: existence tests and single registry
// values.
#pragma once

#include <cstdint>

// 1 when a file, a folder or (for a pattern) any entry matches the path;
// 0 when none does or redirection could not be switched off.
[[nodiscard]] int32_t FileExist(const char* path);

// True only for an existing folder. Every call takes at least 100 ms.
[[nodiscard]] bool DirectoryExists(const char* path);

// Reads one value of a key below HKEY_LOCAL_MACHINE, in the 64-bit view,
// into the destination as it is stored, whatever its type: 1 when read, 0
// when not. The expected type is only a starting value for the type read.
[[nodiscard]] int32_t GetRegistryValue(const char* keyPath, const char* valueName, uint32_t expectedType,
                                       void* destination, uint32_t size);
