#include "tabpack_platform.h"

#include "install/tab_time.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

const char kPathSeparator = '/';

namespace
{
std::string Reason(const std::string& path)
{
    return "\"" + path + "\": " + std::strerror(errno);
}
} // namespace

bool ReadFileFacts(const std::string& path, FileFacts* facts, std::string* why)
{
    struct stat status = {};
    if (stat(path.c_str(), &status) != 0)
    {
        *why = Reason(path);
        return false;
    }
    if (!S_ISREG(status.st_mode))
    {
        *why = "\"" + path + "\": not a regular file";
        return false;
    }
    const int64_t ticks =
        (static_cast<int64_t>(status.st_mtim.tv_sec) * static_cast<int64_t>(kTicksPerSecond)) +
        status.st_mtim.tv_nsec / 100 + static_cast<int64_t>(kUnixEpochTicks);
    facts->Size = static_cast<uint64_t>(status.st_size);
    facts->LastWriteTicks = ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
    return true;
}

bool SetLastWriteTicks(const std::string& path, uint64_t ticks, std::string* why)
{
    const int64_t sinceEpoch = static_cast<int64_t>(ticks) - static_cast<int64_t>(kUnixEpochTicks);
    int64_t seconds = sinceEpoch / static_cast<int64_t>(kTicksPerSecond);
    int64_t rest = sinceEpoch % static_cast<int64_t>(kTicksPerSecond);
    if (rest < 0)
    {
        rest += static_cast<int64_t>(kTicksPerSecond);
        --seconds;
    }
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = static_cast<long>(rest * 100);
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
    {
        *why = Reason(path);
        return false;
    }
    return true;
}

bool MakeDirectory(const std::string& path, std::string* why)
{
    struct stat status = {};
    if (mkdir(path.c_str(), 0777) == 0 ||
        (errno == EEXIST && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)))
    {
        return true;
    }
    *why = Reason(path);
    return false;
}

bool IsAbsolutePath(const std::string& path)
{
    return !path.empty() && path[0] == '/';
}

bool ToLocalTime(const TabTimestamp& utc, TabTimestamp* local)
{
    const std::time_t now = std::time(nullptr);
    struct tm today = {};
    if (localtime_r(&now, &today) == nullptr)
    {
        return false;
    }
    return ShiftTimestamp(utc, today.tm_gmtoff, local);
}
