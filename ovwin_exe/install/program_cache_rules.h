// What the program cache decides on its own: which files it holds, whether
// the launcher runs from another drive than Windows, and whether a cached
// copy still matches the file in the launcher's folder.
#pragma once

#include <cstddef>
#include <cstdint>

// The main program and its companions, copied (or touched) in this order.
constexpr std::size_t kProgramFileCount = 11;
extern const char* const kProgramFiles[kProgramFileCount];

// Two folders lie on the same drive when their first characters are the
// same byte: "c:\" and "C:\" count as different drives.
[[nodiscard]] bool OnSameDrive(const char* folder, const char* otherFolder);

// What a copy is judged by: the size (low 32 bits) and the last-write time
// in UTC to the minute. Seconds are left out, so a file rewritten within the
// same minute with the same size counts as unchanged.
struct FileStamp
{
    uint32_t Size;
    uint16_t Year;
    uint16_t Month;
    uint16_t Day;
    uint16_t Hour;
    uint16_t Minute;
};

[[nodiscard]] bool CacheCopyIsCurrent(const FileStamp& copy, const FileStamp& source);

// "." and "..", which a folder listing returns and the cache skips.
[[nodiscard]] bool IsDotEntry(const char* name);
