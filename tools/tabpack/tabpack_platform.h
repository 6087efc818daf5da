// What tabpack needs from the operating system beyond standard C++: file
// times and sizes, folders, path rules and local time.
#pragma once

#include "install/tab_format.h"

#include <cstdint>
#include <string>

extern const char kPathSeparator;

struct FileFacts
{
    uint64_t Size;
    uint64_t LastWriteTicks; // UTC, 100 ns since 1601
};

// False, with the reason in why, when the path is not a readable regular file.
bool ReadFileFacts(const std::string& path, FileFacts* facts, std::string* why);
bool SetLastWriteTicks(const std::string& path, uint64_t ticks, std::string* why);
// True when the folder exists afterwards.
bool MakeDirectory(const std::string& path, std::string* why);
bool IsAbsolutePath(const std::string& path);

// Local time as the launcher's report shows it: today's offset from UTC,
// whatever the date.
bool ToLocalTime(const TabTimestamp& utc, TabTimestamp* local);
