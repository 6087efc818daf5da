// Archive time stamps as Windows counts time: 100-nanosecond ticks since
// 1 January 1601 (a FILETIME), with the rules SystemTimeToFileTime applies
// to the fields. Pure arithmetic, so every platform converts alike.
#pragma once

#include "install/tab_format.h"

#include <cstdint>

constexpr uint64_t kTicksPerMillisecond = 10000;
constexpr uint64_t kTicksPerSecond = 10000000;
// Ticks from 1601 to the Unix epoch.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;

// Whether the fields form a date and time SystemTimeToFileTime accepts
// (DayOfWeek is not looked at).
[[nodiscard]] bool IsValidTimestamp(const TabTimestamp& stamp);
[[nodiscard]] bool TimestampToTicks(const TabTimestamp& stamp, uint64_t* ticks);
// Fills every field, DayOfWeek included; false where FileTimeToSystemTime
// fails too.
[[nodiscard]] bool TicksToTimestamp(uint64_t ticks, TabTimestamp* stamp);

// The same moment moved by an offset, as FileTimeToLocalFileTime moves it
// by the time zone's present offset.
[[nodiscard]] bool ShiftTimestamp(const TabTimestamp& stamp, int64_t offsetSeconds, TabTimestamp* shifted);
