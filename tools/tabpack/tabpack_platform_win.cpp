#include "tabpack_platform.h"

#include "install/local_time_win.h"

#include <windows.h>

#include <string>

const char kPathSeparator = '\\';

namespace
{
std::string Reason(const std::string& path, DWORD error = GetLastError())
{
    char text[512] = "";
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                           FORMAT_MESSAGE_MAX_WIDTH_MASK,
                       nullptr, error, 0, text, sizeof(text), nullptr) == 0)
    {
        return "\"" + path + "\": error " + std::to_string(error);
    }
    std::string reason = "\"" + path + "\": " + text;
    while (!reason.empty() && reason.back() == ' ')
    {
        reason.pop_back();
    }
    return reason;
}

uint64_t TicksOf(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
} // namespace

bool ReadFileFacts(const std::string& path, FileFacts* facts, std::string* why)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    {
        *why = Reason(path);
        return false;
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        *why = "\"" + path + "\": not a regular file";
        return false;
    }
    facts->Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts->LastWriteTicks = TicksOf(data.ftLastWriteTime);
    return true;
}

bool SetLastWriteTicks(const std::string& path, uint64_t ticks, std::string* why)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        *why = Reason(path);
        return false;
    }
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const bool set = SetFileTime(file, nullptr, nullptr, &time) != FALSE;
    if (!set)
    {
        *why = Reason(path);
    }
    CloseHandle(file);
    return set;
}

bool MakeDirectory(const std::string& path, std::string* why)
{
    if (CreateDirectoryA(path.c_str(), nullptr))
    {
        return true;
    }
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        return true;
    }
    *why = Reason(path, error);
    return false;
}

bool IsAbsolutePath(const std::string& path)
{
    const bool drive = path.size() >= 2 && path[1] == ':';
    return drive || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

bool ToLocalTime(const TabTimestamp& utc, TabTimestamp* local)
{
    return UtcToLocalTime(utc, local);
}
