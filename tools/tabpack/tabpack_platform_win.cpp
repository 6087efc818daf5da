#include "tabpack_platform.h"

#include "foundation/ansi_text.h"
#include "foundation/win32_owners_win.h"
#include "install/local_time_win.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <string>

const char kPathSeparator = '\\';

namespace
{
constexpr int kNewFileAttempts = 100;

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

std::string Reason(const std::string& path, DWORD error = GetLastError())
{
    char text[512] = "";
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                           FORMAT_MESSAGE_MAX_WIDTH_MASK,
                       nullptr, error, 0, text, sizeof(text), nullptr) == 0)
    {
        return Quoted(path) + ": error " + std::to_string(error);
    }
    std::string reason = Quoted(path) + ": " + text;
    while (!reason.empty() && reason.back() == ' ')
    {
        reason.pop_back();
    }
    return reason;
}

std::string LinkRefusal(const std::string& path)
{
    return Quoted(path) +
           " is a symbolic link or junction; tabpack never follows a link inside the folder it extracts to";
}

bool IsLink(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

uint64_t TicksOf(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct HandleCloser
{
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedFileHandle = std::unique_ptr<void, HandleCloser>;

OwnedFileHandle OpenForIdentity(const std::string& path)
{
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return OwnedFileHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// A C stream over a file handle it takes over; the handle is closed here
// when no stream can be made of it.
FilePointer StreamOf(HANDLE handle)
{
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (descriptor < 0)
    {
        CloseHandle(handle);
        return FilePointer();
    }
    FilePointer file(_fdopen(descriptor, "wb"));
    if (!file)
    {
        _close(descriptor);
    }
    return file;
}

// Makes a new file stem.tabpack-PID-N for writing; CREATE_NEW never opens
// anything that has the name already, a link included. Null, with why set,
// when none could be made.
FilePointer CreateNewFile(const std::string& stem, std::string* made, std::string* why)
{
    for (int attempt = 0; attempt < kNewFileAttempts; ++attempt)
    {
        const std::string candidate =
            stem + ".tabpack-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
        {
            continue;
        }
        if (file == INVALID_HANDLE_VALUE)
        {
            *why = Reason(candidate);
            return FilePointer();
        }
        FilePointer stream = StreamOf(file);
        if (!stream)
        {
            *why = Quoted(candidate) + ": no stream for the new file";
            DeleteFileA(candidate.c_str());
            return stream;
        }
        *made = candidate;
        return stream;
    }
    *why = Quoted(stem) + ": no free name for a new file";
    return FilePointer();
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
        *why = Quoted(path) + ": not a regular file";
        return false;
    }
    facts->Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts->LastWriteTicks = TicksOf(data.ftLastWriteTime);
    return true;
}

InstalledState ProbeInstalledFile(const std::string& path, FileFacts* facts, std::string* why)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        {
            return InstalledState::NotInstalled;
        }
        *why = Reason(path, error);
        return InstalledState::Unknown;
    }
    // Opened as the launcher opens it: a folder, or a file held without
    // sharing, cannot be.
    const Owner<InvalidEmptyTraits<CloseHandle>> file{CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file)
    {
        *why = Reason(path);
        return InstalledState::Unknown;
    }
    return ReadFileFacts(path, facts, why) ? InstalledState::Present : InstalledState::Unknown;
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

std::size_t FindLastSeparator(const std::string& path)
{
    const char* backslash = AnsiFindLast(path.c_str(), '\\');
    const char* slash = AnsiFindLast(path.c_str(), '/');
    const char* last = backslash != nullptr && (slash == nullptr || backslash > slash) ? backslash : slash;
    return last == nullptr ? std::string::npos : static_cast<std::size_t>(last - path.c_str());
}

bool IsSameFile(const std::string& left, const std::string& right)
{
    const OwnedFileHandle one = OpenForIdentity(left);
    const OwnedFileHandle other = OpenForIdentity(right);
    BY_HANDLE_FILE_INFORMATION first = {};
    BY_HANDLE_FILE_INFORMATION second = {};
    return one && other && GetFileInformationByHandle(one.get(), &first) &&
           GetFileInformationByHandle(other.get(), &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

FileBeside CreateFileBeside(const std::string& path)
{
    FileBeside beside;
    beside.File = CreateNewFile(path, &beside.Path, &beside.Why);
    return beside;
}

bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* why)
{
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        *why = Reason(to);
        return false;
    }
    return true;
}

namespace
{
// The folder is held open from the checks to the rename.
struct WinExtractState : ExtractTarget::State
{
    OwnedFileHandle Folder;
    std::string Path;
    std::string Partial; // the new file's own path, once made

    ~WinExtractState() override
    {
        File.reset();
        if (!Partial.empty())
        {
            DeleteFileA(Partial.c_str());
        }
    }
};
} // namespace

bool ExtractTarget::Place(uint64_t lastWriteTicks, std::string* why)
{
    auto& state = static_cast<WinExtractState&>(*state_);
    if (std::fflush(state.File.get()) != 0)
    {
        *why = Quoted(state.Partial) + ": the last bytes could not be written";
        return false;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(state.File.get())));
    const FILETIME time = {static_cast<DWORD>(lastWriteTicks), static_cast<DWORD>(lastWriteTicks >> 32)};
    if (!SetFileTime(handle, nullptr, nullptr, &time))
    {
        *why = Reason(state.Partial);
        return false;
    }
    if (std::fclose(state.File.release()) != 0)
    {
        *why = Quoted(state.Partial) + ": the file could not be closed";
        return false;
    }
    // A rename replaces whatever has the name, a link included, without
    // following it.
    if (!MoveFileExA(state.Partial.c_str(), state.Path.c_str(), MOVEFILE_REPLACE_EXISTING))
    {
        *why = Reason(state.Path);
        return false;
    }
    state.Partial.clear();
    return true;
}

ExtractTarget CreateExtractTarget(const std::string& subfolder, const std::string& name)
{
    auto state = std::make_unique<WinExtractState>();
    state->Path = subfolder + kPathSeparator + name;
    // The archive may have been judged for another code page than this
    // computer's; here the name must still be one file in the folder.
    if (CheckBareFileName(name.c_str(), AnsiIsLeadByte) != NameFault::None)
    {
        state->Why =
            Quoted(state->Path) + ": in this computer's ANSI code page the name is not a bare file name";
        return ExtractTarget(std::move(state));
    }
    if (!CreateDirectoryA(subfolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    {
        state->Why = Reason(subfolder);
        return ExtractTarget(std::move(state));
    }
    if (IsLink(GetFileAttributesA(subfolder.c_str())))
    {
        state->Why = LinkRefusal(subfolder);
        return ExtractTarget(std::move(state));
    }
    // Shared without delete access, the open folder cannot be renamed or
    // replaced by a junction while the entry is written.
    HANDLE folder = CreateFileA(subfolder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
    {
        state->Why = Reason(subfolder);
        return ExtractTarget(std::move(state));
    }
    state->Folder.reset(folder);
    BY_HANDLE_FILE_INFORMATION facts = {};
    if (!GetFileInformationByHandle(folder, &facts))
    {
        state->Why = Reason(subfolder);
    }
    else if (IsLink(facts.dwFileAttributes))
    {
        state->Why = LinkRefusal(subfolder);
    }
    else if ((facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    {
        state->Why = Quoted(subfolder) + ": not a folder";
    }
    else if (IsLink(GetFileAttributesA(state->Path.c_str())))
    {
        state->Why = LinkRefusal(state->Path);
    }
    else
    {
        state->File = CreateNewFile(subfolder + kPathSeparator + "~" + name, &state->Partial, &state->Why);
    }
    return ExtractTarget(std::move(state));
}

bool ToLocalTime(const TabTimestamp& utc, TabTimestamp* local)
{
    return UtcToLocalTime(utc, local);
}
