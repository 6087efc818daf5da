// What tabpack needs from the operating system beyond standard C++: file
// times, sizes and identities, folders, path rules, files that replace
// others whole, and local time.
#pragma once

#include "install/install_decision.h"
#include "install/tab_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

extern const char kPathSeparator;

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

struct FileFacts
{
    uint64_t Size;
    uint64_t LastWriteTicks; // UTC, 100 ns since 1601
};

// False, with the reason in why, when the path is not a readable regular file.
[[nodiscard]] bool ReadFileFacts(const std::string& path, FileFacts* facts, std::string* why);
// What a standard start would find at an installed file's place: nothing
// (NotInstalled), something it cannot open for reading such as a folder
// (Unknown, with the reason in why), or a file whose size and last-write
// time fill facts (Present).
InstalledState ProbeInstalledFile(const std::string& path, FileFacts* facts, std::string* why);
// True when the folder exists afterwards.
[[nodiscard]] bool MakeDirectory(const std::string& path, std::string* why);
bool IsAbsolutePath(const std::string& path);
// The position of the last folder separator, std::string::npos when there is
// none. On Windows the path is read in the ANSI code page, so the second
// byte of a double-byte character is never taken for a backslash.
std::size_t FindLastSeparator(const std::string& path);
// The path's last component: a file's name.
inline std::string NameOfPath(const std::string& path)
{
    const std::size_t separator = FindLastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}
// True when both paths name one existing file, however they spell it.
bool IsSameFile(const std::string& left, const std::string& right);

// A new, empty file in the folder of path, to be written whole and then put
// in place of path; Path is empty and Why says why when none could be made.
struct FileBeside
{
    FilePointer File;
    std::string Path;
    std::string Why;
};
FileBeside CreateFileBeside(const std::string& path);
// Renames from to to, replacing whatever file to named.
[[nodiscard]] bool MoveIntoPlace(const std::string& from, const std::string& to, std::string* why);

// A new file for an entry at SUBFOLDER/NAME, where SUBFOLDER is the
// entry's destination folder inside the folder extracted to, made when
// missing. Neither SUBFOLDER nor NAME may be a symbolic link or a junction:
// a link planted there would lead the write out of that folder. The file is
// written under a name of its own and Place renames it over NAME, so a file
// that had the name (or a link Wine cannot tell from one) is replaced,
// never written through. An unplaced file is removed when the target ends.
class ExtractTarget
{
  public:
    // What every platform keeps; each adds its own in a derived state whose
    // destructor removes a file that was not placed.
    struct State
    {
        FilePointer File;
        std::string Why;
        virtual ~State() = default;
    };

    explicit ExtractTarget(std::unique_ptr<State> state) : state_(std::move(state)) {}

    // Null when the target was refused; Why then says why.
    std::FILE* File() const { return state_->File.get(); }
    const std::string& Why() const { return state_->Why; }
    // Stamps the written file with the last-write time and puts it in place.
    [[nodiscard]] bool Place(uint64_t lastWriteTicks, std::string* why);

  private:
    std::unique_ptr<State> state_;
};
ExtractTarget CreateExtractTarget(const std::string& subfolder, const std::string& name);

// Local time as the launcher's report shows it: today's offset from UTC,
// whatever the date.
[[nodiscard]] bool ToLocalTime(const TabTimestamp& utc, TabTimestamp* local);
