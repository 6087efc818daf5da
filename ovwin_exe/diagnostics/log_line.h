// The layout of log lines: prefix, indentation, shortening and wrapping.
// Pure text functions; the writer in log.cpp decides what to write where.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr std::size_t kLogDateTimeLength = 8;   // "MM/DD/YY" and "HH:MM:SS"
constexpr std::size_t kLogMessageColumn = 33;   // date, time, " OVWIN ", tag and a space
constexpr std::size_t kLogWrapWidth = 120;      // message characters per physical line
constexpr std::size_t kLogIndentWidth = 3;      // spaces per depth level
constexpr std::size_t kLogLongMessage = 2047;   // messages this long are shortened...
constexpr std::size_t kLogShortenedKeep = 2040; // ...to this many characters and the mark
constexpr const char* kLogTruncationMark = " (...)";

constexpr const char* kDebugTag = "DEBUG   ";
constexpr const char* kDeveloperTag = "DEBUG X ";
constexpr const char* kErrorTag = "ERROR !!";

struct LogTimestamp
{
    char Date[kLogDateTimeLength + 1];
    char Time[kLogDateTimeLength + 1];
};

// The tag of a debug line of this level.
const char* DebugTagForLevel(int level);

// A message of 2047 characters or more becomes its first 2040 characters and
// " (...)"; shorter messages are returned whole.
std::string ShortenDebugMessage(const std::string& message);

// "%s %s OVWIN %s %*s%s": date, time, tag, depth x 3 spaces, message.
std::string BuildDebugLine(const LogTimestamp& stamp, const char* tag, int depth, const std::string& message);

// The physical lines of a full debug line whose message has the given
// length: the line itself when message and indentation fit in 120 columns,
// otherwise the first line cut at its last space and continuation lines
// aligned with the message column.
std::vector<std::string> WrapDebugLine(const std::string& fullLine, int depth, std::size_t messageLength);

// The error log's line "%s %s OVWIN %s %s %s" (two spaces before the
// message), and the error line as the debug log shows it, at the depth.
// Both fit a 2048-byte line buffer: a longer message is shortened and marked.
std::string BuildErrorLogLine(const LogTimestamp& stamp, const std::string& message);
std::string BuildErrorDebugLine(const LogTimestamp& stamp, int depth, const std::string& message);
