// Capacities of the launcher's fixed text buffers, each in one place.
#pragma once

#include <cstddef>

constexpr std::size_t kPathCapacity = 260;                            // paths: 259 characters and a NUL
constexpr std::size_t kLaunchCommandLineCapacity = kPathCapacity + 1; // the longest path, its space, a NUL
constexpr std::size_t kRegistryPathCapacity = 1024;                   // registry key paths
constexpr std::size_t kMessageCapacity = 2048;                        // messages and dialog texts
constexpr std::size_t kErrorTextCapacity = 512;                       // error descriptions
constexpr std::size_t kLongErrorTextCapacity = 1024;
constexpr std::size_t kNameCapacity = 256; // user, computer and version strings
constexpr std::size_t kShortNameCapacity = 64;
constexpr std::size_t kShortcutTextCapacity = 1024; // a shortcut's description and arguments
constexpr std::size_t kErrorTagCapacity = 64;
