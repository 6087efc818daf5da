#include "install/install_file_name.h"
#include "install/program_cache_rules.h"

#include <gtest/gtest.h>

TEST(ProgramCacheRules, DriveTestComparesTheFirstByteOnly)
{
    struct Row
    {
        const char* folder;
        const char* windows;
        bool same;
    };
    const Row rows[] = {
        {"C:\\Program Files\\Altavy\\", "C:\\Windows\\", true},
        {"N:\\Brisel\\", "C:\\Windows\\", false},
        {"c:\\brisel\\", "C:\\Windows\\", false},                // letter case counts
        {"\\\\server\\share\\brisel\\", "C:\\Windows\\", false}, // a UNC path is never the Windows drive
        {"C:\\Brisel\\", "", false},                             // no Windows folder known
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(OnSameDrive(row.folder, row.windows), row.same) << row.folder << " / " << row.windows;
    }
}

TEST(ProgramCacheRules, CopyIsCurrentWithTheSameSizeAndTheSameTimeToTheMinute)
{
    const FileStamp source = {4096, 2024, 3, 5, 10, 20};
    struct Row
    {
        const char* change;
        FileStamp copy;
        bool current;
    };
    const Row rows[] = {
        {"none", source, true},
        {"size", {4095, 2024, 3, 5, 10, 20}, false},
        {"minute", {4096, 2024, 3, 5, 10, 21}, false},
        {"hour", {4096, 2024, 3, 5, 11, 20}, false},
        {"day", {4096, 2024, 3, 6, 10, 20}, false},
        {"month", {4096, 2024, 4, 5, 10, 20}, false},
        {"year", {4096, 2023, 3, 5, 10, 20}, false},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(CacheCopyIsCurrent(row.copy, source), row.current) << row.change;
        EXPECT_EQ(CacheCopyIsCurrent(source, row.copy), row.current) << row.change << ", reversed";
    }
}

TEST(ProgramCacheRules, FailedCopyIsRemovedOnlyWhenTheCopyMadeIt)
{
    constexpr uint32_t kDiskFull = 112, kSharingViolation = 32, kAccessDenied = 5;
    struct Case
    {
        bool existedBefore;
        uint32_t error;
        bool removed;
    };
    const Case cases[] = {
        {false, kDiskFull, true},          // the partial copy goes
        {false, kAccessDenied, true},      // whatever the copy made goes
        {false, kSharingViolation, false}, // another process holds the name
        {true, kDiskFull, false},          // a file not this copy's stays
        {true, kAccessDenied, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(RemoveAfterFailedCopy(c.existedBefore, c.error), c.removed)
            << c.existedBefore << " " << c.error;
    }
}
