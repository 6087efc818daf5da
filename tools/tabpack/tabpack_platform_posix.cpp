#include "tabpack_platform.h"

#include "install/tab_time.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char kPathSeparator = '/';

namespace
{
constexpr int kNewFileAttempts = 100;

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

std::string Reason(const std::string& path, int error = errno)
{
    return Quoted(path) + ": " + std::strerror(error);
}

std::string LinkRefusal(const std::string& path)
{
    return Quoted(path) +
           " is a symbolic link; tabpack never follows a link inside the folder it extracts to";
}

bool IsSymbolicLink(int folder, const char* name)
{
    struct stat status = {};
    return fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
}

// Takes over the descriptor: closed here when no stream can be made of it.
FilePointer StreamOf(int descriptor)
{
    FilePointer file(fdopen(descriptor, "wb"));
    if (!file)
    {
        const int error = errno;
        close(descriptor);
        errno = error;
    }
    return file;
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
        *why = Quoted(path) + ": not a regular file";
        return false;
    }
    const int64_t ticks =
        (static_cast<int64_t>(status.st_mtim.tv_sec) * static_cast<int64_t>(kTicksPerSecond)) +
        status.st_mtim.tv_nsec / 100 + static_cast<int64_t>(kUnixEpochTicks);
    facts->Size = static_cast<uint64_t>(status.st_size);
    facts->LastWriteTicks = ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
    return true;
}

bool SetLastWriteTicks(std::FILE* file, uint64_t ticks, std::string* why)
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
    if (std::fflush(file) != 0 || futimens(fileno(file), times) != 0)
    {
        *why = std::strerror(errno);
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

std::size_t FindLastSeparator(const std::string& path)
{
    return path.rfind('/');
}

bool IsSameFile(const std::string& left, const std::string& right)
{
    struct stat one = {};
    struct stat other = {};
    return stat(left.c_str(), &one) == 0 && stat(right.c_str(), &other) == 0 && one.st_dev == other.st_dev &&
           one.st_ino == other.st_ino;
}

FileBeside CreateFileBeside(const std::string& path)
{
    FileBeside beside;
    for (int attempt = 0; attempt < kNewFileAttempts; ++attempt)
    {
        const std::string candidate =
            path + ".tabpack-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int descriptor = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno == EEXIST)
        {
            continue;
        }
        if (descriptor < 0)
        {
            beside.Why = Reason(candidate);
            return beside;
        }
        beside.File = StreamOf(descriptor);
        if (!beside.File)
        {
            beside.Why = Reason(candidate);
            unlink(candidate.c_str());
            return beside;
        }
        beside.Path = candidate;
        return beside;
    }
    beside.Why = Quoted(path) + ": no free name for a new file beside it";
    return beside;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* why)
{
    if (rename(from.c_str(), to.c_str()) != 0)
    {
        *why = Reason(to);
        return false;
    }
    return true;
}

ExtractTarget CreateExtractTarget(const std::string& subfolder, const std::string& name)
{
    ExtractTarget target;
    const std::string path = subfolder + kPathSeparator + name;
    if (mkdir(subfolder.c_str(), 0777) != 0 && errno != EEXIST)
    {
        target.Why = Reason(subfolder);
        return target;
    }
    // Opened without following a link, and the file made relative to the
    // open folder: nothing swapped in meanwhile can redirect the write.
    const int directory = open(subfolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (directory < 0)
    {
        const int error = errno;
        target.Why =
            IsSymbolicLink(AT_FDCWD, subfolder.c_str()) ? LinkRefusal(subfolder) : Reason(subfolder, error);
        return target;
    }
    int descriptor = -1;
    if (IsSymbolicLink(directory, name.c_str()))
    {
        target.Why = LinkRefusal(path);
    }
    else if (unlinkat(directory, name.c_str(), 0) != 0 && errno != ENOENT)
    {
        target.Why = Reason(path);
    }
    else
    {
        descriptor =
            openat(directory, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor < 0)
        {
            target.Why = Reason(path);
        }
    }
    close(directory);
    if (descriptor >= 0)
    {
        target.File = StreamOf(descriptor);
        target.Why = target.File ? "" : Reason(path);
    }
    return target;
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
