// Every path the launcher builds from a folder it was given, at 259
// characters (the longest that fits) and at 260 (one too many): the path is
// whole or not built at all, and nothing is written past its buffer, which
// is exactly kPathCapacity bytes on the heap so the address sanitizer sees
// a byte too far.
#include "diagnostics/log.h"
#include "foundation/text_limits.h"
#include "launcher/launch_plan.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace
{
// A builder given a folder (ending in its separator) of the length that
// makes its path the wanted length, writing into a buffer of capacity.
struct PathRow
{
    const char* Place;
    std::size_t FixedLength; // what the path adds to the folder
    std::function<void(const char* folder, char* path, std::size_t capacity)> Build;
};

std::string FolderOfLength(std::size_t length)
{
    return std::string(length - 1, 'f') + "\\";
}
} // namespace

TEST(LongPaths, EachBuiltPathIsWholeAt259CharactersAndNotBuiltAt260)
{
    const PathRow rows[] = {
        {"main program in the cache", std::strlen("_tcache1\\verozar1.exe"),
         [](const char* folder, char* path, std::size_t capacity) {
             BuildStartFilePath(true, folder, "C:\\App\\", "verozar1.exe", path, capacity);
         }},
        {"instance file beside the launcher", std::strlen("instance.t1"),
         [](const char* folder, char* path, std::size_t capacity) {
             BuildStartFilePath(false, "C:\\Cache\\", folder, "instance.t1", path, capacity);
         }},
        {"profile file, quoted for the log", std::strlen("\"ov_main.ini\""),
         [](const char* folder, char* path, std::size_t capacity) {
             BuildProfileFileName(folder, path, capacity);
         }},
    };
    for (const PathRow& row : rows)
    {
        for (const std::size_t length : {kPathCapacity - 1, kPathCapacity})
        {
            SCOPED_TRACE(std::string(row.Place) + ", " + std::to_string(length) + " characters");
            const std::string folder = FolderOfLength(length - row.FixedLength);
            const std::unique_ptr<char[]> path(new char[kPathCapacity]);
            std::memset(path.get(), 'x', kPathCapacity);
            row.Build(folder.c_str(), path.get(), kPathCapacity);
            if (length < kPathCapacity)
            {
                EXPECT_EQ(std::strlen(path.get()), length);
                EXPECT_NE(std::string(path.get()).find(folder), std::string::npos);
            }
            else
            {
                EXPECT_STREQ(path.get(), "");
            }
        }
    }
}

// The logs are named after the launcher's folder: a folder that leaves no
// room for "OvwinDebug.log" leaves the start without logs, and without a
// file of some cut name; its errors are still counted.
TEST(LongPaths, LogsAreWrittenUpTo259CharactersAndNotUnderACutName)
{
    const std::string base = log_state::Reset();
    for (const std::size_t length : {kPathCapacity - 1, kPathCapacity})
    {
        SCOPED_TRACE(std::to_string(length) + " characters");
        log_state::Reset();
        // A real folder of the wanted depth, in steps the file system allows.
        std::string folder = base;
        const std::size_t folderLength = length - std::strlen("OvwinDebug.log");
        while (folder.size() < folderLength)
        {
            const std::size_t step = std::min<std::size_t>(folderLength - folder.size(), 100);
            folder += std::string(step - 1, 'd') + "/";
            ASSERT_TRUE(mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) << folder;
        }
        ASSERT_EQ(folder.size(), folderLength);

        OpenLogs(folder.c_str(), log_state::WithDiagnosticSwitch());
        const uint32_t errorsBefore = ErrorCount;
        ErrorLog("%s", std::string(3000, 'e').c_str());
        EXPECT_EQ(ErrorCount, errorsBefore + 1);
        const bool fits = length < kPathCapacity;
        EXPECT_EQ(log_state::FileExists(folder + "OvwinDebug.log"), fits);
        EXPECT_EQ(log_state::FileExists(folder + "OvwinError.log"), fits);
        EXPECT_EQ(std::strlen(DebugLogPath), fits ? length : 0u);
    }
}
