// Local time as Windows gives it: with the time zone's offset of today,
// whatever the date being converted.
#pragma once

#include "install/tab_format.h"

#include <windows.h>

// An archive record's UTC time in local time.
[[nodiscard]] bool UtcToLocalTime(const TabTimestamp& utc, TabTimestamp* local);
// A file time (UTC) in local time.
[[nodiscard]] bool FileTimeToLocalStamp(const FILETIME& utc, TabTimestamp* local);
