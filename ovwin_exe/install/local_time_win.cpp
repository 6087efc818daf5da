#include "install/local_time_win.h"

#include "install/system_time_win.h"

bool UtcToLocalTime(const TabTimestamp& utc, TabTimestamp* local)
{
    const SYSTEMTIME system = ToSystemTime(utc);
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
    *local = FromSystemTime(system);
    return true;
}
