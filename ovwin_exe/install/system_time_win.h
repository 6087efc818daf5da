// Archive time stamps as Windows' SYSTEMTIME, which keeps DayOfWeek before
// Day.
#pragma once

#include "install/tab_format.h"

#include <windows.h>

inline SYSTEMTIME ToSystemTime(const TabTimestamp& stamp)
{
    return {stamp.Year, stamp.Month,  stamp.DayOfWeek, stamp.Day,
            stamp.Hour, stamp.Minute, stamp.Second,    stamp.Milliseconds};
}

inline TabTimestamp FromSystemTime(const SYSTEMTIME& system)
{
    return {system.wYear, system.wMonth,  system.wDay,    system.wDayOfWeek,
            system.wHour, system.wMinute, system.wSecond, system.wMilliseconds};
}
