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

// Makes a new file stem.tabpack-PID-N relative to the folder, never through
// a link; the descriptor, or -1 with errno set.
int CreateNewFile(int folder, const std::string& stem, std::string* made)
{
    for (int attempt = 0; attempt < kNewFileAttempts; ++attempt)
    {
        *made = stem + ".tabpack-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int descriptor =
            openat(folder, made->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
        {
            return descriptor;
        }
    }
    return -1; // errno is EEXIST
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

InstalledState ProbeInstalledFile(const std::string& path, FileFacts* facts, std::string* why)
{
    struct stat status = {};
    if (stat(path.c_str(), &status) != 0)
    {
        if (errno == ENOENT || errno == ENOTDIR)
        {
            return InstalledState::NotInstalled;
        }
        *why = Reason(path);
        return InstalledState::Unknown;
    }
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
    {
        *why = Reason(path);
        return InstalledState::Unknown;
    }
    close(descriptor);
    return ReadFileFacts(path, facts, why) ? InstalledState::Present : InstalledState::Unknown;
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
    std::string made;
    const int descriptor = CreateNewFile(AT_FDCWD, path, &made);
    beside.File = descriptor >= 0 ? StreamOf(descriptor) : FilePointer();
    if (!beside.File)
    {
        beside.Why = Reason(made);
        if (descriptor >= 0)
        {
            unlink(made.c_str());
        }
        return beside;
    }
    beside.Path = made;
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

namespace
{
// The folder stays open from the checks to the rename: every step is made
// relative to it.
struct PosixExtractState : ExtractTarget::State
{
    int Folder = -1;
    std::string FolderPath;
    std::string Name;
    std::string Partial; // the new file's own name in the folder, once made

    ~PosixExtractState() override
    {
        File.reset();
        if (!Partial.empty())
        {
            unlinkat(Folder, Partial.c_str(), 0);
        }
        if (Folder >= 0)
        {
            close(Folder);
        }
    }
};
} // namespace

bool ExtractTarget::Place(uint64_t lastWriteTicks, std::string* why)
{
    auto& state = static_cast<PosixExtractState&>(*state_);
    const std::string path = state.FolderPath + kPathSeparator + state.Name;
    const int64_t sinceEpoch = static_cast<int64_t>(lastWriteTicks) - static_cast<int64_t>(kUnixEpochTicks);
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
    if (std::fflush(state.File.get()) != 0 || futimens(fileno(state.File.get()), times) != 0 ||
        std::fclose(state.File.release()) != 0)
    {
        *why = Reason(path);
        return false;
    }
    // Replaces whatever has the name, a link included, without following it.
    if (renameat(state.Folder, state.Partial.c_str(), state.Folder, state.Name.c_str()) != 0)
    {
        *why = Reason(path);
        return false;
    }
    state.Partial.clear();
    return true;
}

ExtractTarget CreateExtractTarget(const std::string& subfolder, const std::string& name)
{
    auto state = std::make_unique<PosixExtractState>();
    state->FolderPath = subfolder;
    state->Name = name;
    const std::string path = subfolder + kPathSeparator + name;
    if (mkdir(subfolder.c_str(), 0777) != 0 && errno != EEXIST)
    {
        state->Why = Reason(subfolder);
        return ExtractTarget(std::move(state));
    }
    // Opened without following a link; the new file is made relative to the
    // open folder, so nothing swapped in meanwhile can redirect the write.
    state->Folder = open(subfolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (state->Folder < 0)
    {
        const int error = errno;
        state->Why =
            IsSymbolicLink(AT_FDCWD, subfolder.c_str()) ? LinkRefusal(subfolder) : Reason(subfolder, error);
        return ExtractTarget(std::move(state));
    }
    if (IsSymbolicLink(state->Folder, name.c_str()))
    {
        state->Why = LinkRefusal(path);
        return ExtractTarget(std::move(state));
    }
    std::string partial;
    const int descriptor = CreateNewFile(state->Folder, "." + name, &partial);
    if (descriptor < 0)
    {
        state->Why = Reason(subfolder + kPathSeparator + partial);
        return ExtractTarget(std::move(state));
    }
    state->Partial = partial;
    state->File = StreamOf(descriptor);
    if (!state->File)
    {
        state->Why = Reason(subfolder + kPathSeparator + partial);
    }
    return ExtractTarget(std::move(state));
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
