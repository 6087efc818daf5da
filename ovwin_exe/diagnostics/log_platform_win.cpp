#include "diagnostics/log_platform.h"

#include <windows.h>

#include <io.h>
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

void AppendLinesAsOnePiece(std::FILE* file, const std::vector<std::string>& lines)
{
    // The C runtime seeks to the end of a file opened for appending before
    // each write, and another process may write between the seek and the
    // write. Every launcher locks the same byte, far past any log's end, for
    // the write: the lock serves as a mutex that works across sessions and
    // on a share.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    OVERLAPPED lockedByte = {};
    lockedByte.OffsetHigh = 0x7FFFFFFF;
    const bool locked = handle != INVALID_HANDLE_VALUE &&
                        LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockedByte) != FALSE;
    for (const std::string& line : lines)
    {
        std::fprintf(file, "%s\n", line.c_str());
    }
    std::fflush(file);
    if (locked)
    {
        UnlockFileEx(handle, 0, 1, 0, &lockedByte);
    }
}
