// File-system and registry utilities: the WOW64 redirection bracket around
// file operations that must see the real system folders, existence tests,
// version resources and single registry values.
#pragma once

#include "environment/library_version.h"

#include <cstdint>

// Switch WOW64 file-system redirection off before, and on again after, such
// an operation. A process that does not run under WOW64 is exempt: both
// return at once. A failure to switch back on ends the launcher.
bool DisableFSCompatibility();
bool EnableFSCompatibility();

// 1 when a file, a folder or (for a pattern) any entry matches the path;
// 0 when none does or redirection could not be switched off.
int32_t FileExist(const char* path);

// True only for an existing folder. Every call takes at least 100 ms.
bool DirectoryExists(const char* path);

// The version record of an executable or library; zeros and empty texts
// where the file has no version resource or lacks a string.
LibraryVersion GetLibraryVersion(const char* path);

// Reads one value of a key below HKEY_LOCAL_MACHINE, in the 64-bit view,
// into the destination as it is stored, whatever its type: 1 when read, 0
// when not. The expected type is only a starting value for the type read.
int32_t GetRegistryValue(const char* keyPath, const char* valueName, uint32_t expectedType, void* destination,
                         uint32_t size);
