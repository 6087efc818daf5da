#include "install/local_time_win.h"

bool UtcToLocalTime(const TabTimestamp& utc, TabTimestamp* local)
{
    // SYSTEMTIME keeps DayOfWeek before Day.
    const SYSTEMTIME system = {utc.Year, utc.Month,  utc.DayOfWeek, utc.Day,
                               utc.Hour, utc.Minute, utc.Second,    utc.Milliseconds};
    FILETIME fileTime = {};
    return SystemTimeToFileTime(&system, &fileTime) && FileTimeToLocalStamp(fileTime, local);
}

bool FileTimeToLocalStamp(const FILETIME& utc, TabTimestamp* local)
{
    FILETIME localFileTime = {};
    SYSTEMTIME system = {};
    if (!FileTimeToLocalFileTime(&utc, &localFileTime) || !FileTimeToSystemTime(&localFileTime, &system))
    {
        return false;
    }
    *local = {system.wYear, system.wMonth,  system.wDay,    system.wDayOfWeek,
              system.wHour, system.wMinute, system.wSecond, system.wMilliseconds};
    return true;
}
