// The three places where the launcher and the main program keep settings
// that every user must be able to change: the company's machine-wide
// registry key, the program-data folder and the per-user cache folder.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kConfigCheckAndRepair = 0; // the standard start
constexpr uint32_t kConfigInspectOnly = 1;    // the preload start

// The company whose registry keys and folders the launcher owns.
constexpr const char* kCompanyName = "Altavy Solutions Inc.";

// Checks the three places (and "win.ini"), and repairs those that need it
// (with repairAll, the repair switch: all three) when the process has, or can
// be given, administrator rights. Inspecting only relocates the legacy
// settings files into the cache's parent.
void InitConfigLocations(uint32_t mode, bool repairAll);

// True when the company key needs an update: missing, unreadable, reflected
// or not fully open to Everyone.
[[nodiscard]] bool CheckConfigRegistry();

// "SOFTWARE\<company>", below HKEY_LOCAL_MACHINE in the 64-bit view.
void FormatCompanyKeyPath(char* destination, std::size_t capacity);
