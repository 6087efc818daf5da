#include "diagnostics/log_platform.h"

#include <windows.h>

#include <time.h>

LogTimestamp ReadLogTimestamp()
{
    LogTimestamp stamp = {};
    _tzset();
    _strdate_s(stamp.Date, sizeof(stamp.Date)); // MM/DD/YY
    _strtime_s(stamp.Time, sizeof(stamp.Time)); // HH:MM:SS
    return stamp;
}

bool DebuggerAttached()
{
    return IsDebuggerPresent() != FALSE;
}

void WriteToDebugger(const char* text)
{
    OutputDebugStringA(text);
}
