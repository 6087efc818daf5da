#include "tabpack_platform.h"

#include "install/local_time_win.h"
#include "launcher/ansi_text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <string>

const char kPathSeparator = '\\';

namespace
{
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

std::string FolderOf(const std::string& path)
{
    const std::size_t separator = FindLastSeparator(path);
    return separator == std::string::npos ? "." : path.substr(0, separator + 1);
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

bool SetLastWriteTicks(std::FILE* file, uint64_t ticks, std::string* why)
{
    if (std::fflush(file) != 0)
    {
        *why = "the last bytes could not be written";
        return false;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    const FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    if (!SetFileTime(handle, nullptr, nullptr, &time))
    {
        *why = Reason("last-write time");
        return false;
    }
    return true;
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
    char temporary[MAX_PATH] = "";
    // Makes the file, under a name no other file in the folder has.
    if (GetTempFileNameA(FolderOf(path).c_str(), "tab", 0, temporary) == 0)
    {
        beside.Why = Reason(FolderOf(path));
        return beside;
    }
    beside.File.reset(std::fopen(temporary, "wb"));
    if (!beside.File)
    {
        beside.Why = Reason(temporary);
        DeleteFileA(temporary);
        return beside;
    }
    beside.Path = temporary;
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

ExtractTarget CreateExtractTarget(const std::string& subfolder, const std::string& name)
{
    ExtractTarget target;
    const std::string path = subfolder + kPathSeparator + name;
    // The archive may have been judged for another code page than this
    // computer's; here the name must still be one file in the folder.
    if (CheckBareFileName(name.c_str(), AnsiIsLeadByte) != NameFault::None)
    {
        target.Why = Quoted(path) + ": in this computer's ANSI code page the name is not a bare file name";
        return target;
    }
    if (!CreateDirectoryA(subfolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    {
        target.Why = Reason(subfolder);
        return target;
    }
    if (IsLink(GetFileAttributesA(subfolder.c_str())))
    {
        target.Why = LinkRefusal(subfolder);
        return target;
    }
    // Shared without delete access, the open folder cannot be renamed or
    // replaced by a junction while the file is written.
    HANDLE held = CreateFileA(subfolder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (held == INVALID_HANDLE_VALUE)
    {
        target.Why = Reason(subfolder);
        return target;
    }
    target.FolderHold = std::shared_ptr<void>(held, HandleCloser());
    BY_HANDLE_FILE_INFORMATION folderFacts = {};
    if (!GetFileInformationByHandle(held, &folderFacts))
    {
        target.Why = Reason(subfolder);
        return target;
    }
    if (IsLink(folderFacts.dwFileAttributes))
    {
        target.Why = LinkRefusal(subfolder);
        return target;
    }
    if ((folderFacts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    {
        target.Why = Quoted(subfolder) + ": not a folder";
        return target;
    }
    const DWORD existing = GetFileAttributesA(path.c_str());
    if (IsLink(existing))
    {
        target.Why = LinkRefusal(path);
        return target;
    }
    // A new file rather than the old one overwritten: a second hard link of
    // the old file keeps its contents.
    if (existing != INVALID_FILE_ATTRIBUTES && !DeleteFileA(path.c_str()))
    {
        target.Why = Reason(path);
        return target;
    }
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        target.Why = Reason(path);
        return target;
    }
    target.File = StreamOf(file);
    if (!target.File)
    {
        target.Why = Quoted(path) + ": no stream for the new file";
    }
    return target;
}

bool ToLocalTime(const TabTimestamp& utc, TabTimestamp* local)
{
    return UtcToLocalTime(utc, local);
}
