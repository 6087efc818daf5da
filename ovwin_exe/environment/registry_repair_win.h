// The two steps of the registry repair that open the company key up once it
// exists: no virtualization, and full access for Everyone.
#pragma once

#include <windows.h>

#include <cstdint>

// Switches registry virtualization off for the key and its subkeys. False
// only when the system call for it is missing or fails; a step skipped
// (before Windows 7, without administrator rights) counts as passed.
[[nodiscard]] bool RemoveRegistryKeyVirtualization(HKEY key, const char* keyName);

// Merges full access for Everyone into the key's DACL: 1 when done or
// skipped (before Windows 7, without administrator rights), 0 when it
// failed.
[[nodiscard]] int32_t RemoveRegistryKeySecurity(HKEY key, const char* keyName);
