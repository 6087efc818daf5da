#include "install/tab_reader.h"

#include "developer_log_fixture.h"
#include "support/archive_bytes.h"
#include "support/host_ansi_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
const std::string kDeveloper = "DEBUG X  ";
const std::string kDiagnostic = "DEBUG    ";

class ArchiveEntries : public DeveloperLogTest
{
  protected:
    EntryWalk Walk(ArchiveBytes& archive, uint32_t count)
    {
        files_.assign(count, ArchiveEntry{});
        return ReadArchiveEntries(archive.RecordAt(0), count, files_.data());
    }

    std::vector<ArchiveEntry> files_;
};

// Records 1, 2 and 6 used; 3 to 5, 7 and 8 unused.
ArchiveBytes WithGaps()
{
    ArchiveBytes archive(8);
    archive.Record(0, "a.dll", "SYS", 10).Record(1, "b.ttf", "FON", 20).Record(5, "c.exe", "CUR", 30);
    std::memcpy(archive.RecordAt(3) + 50, "junk", 4); // an unused record may hold anything past its name
    return archive;
}
} // namespace

TEST_F(ArchiveEntries, UnusedRunsAreNamedByFirstAndLastRecordAndTheTrailingRunAtLevelOne)
{
    ArchiveBytes archive = WithGaps();
    const EntryWalk walk = Walk(archive, 8);
    EXPECT_EQ(walk.refusal, ArchiveRefusal::None);
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           kDeveloper + "OpenTABFile: File record 1: FileName=a.dll Destination=SYS Size=10",
                           kDeveloper + "OpenTABFile: File record 2: FileName=b.ttf Destination=FON Size=20",
                           kDeveloper + "OpenTABFile: File records 3 - 5 are unused.",
                           kDeveloper + "OpenTABFile: File record 6: FileName=c.exe Destination=CUR Size=30",
                           kDiagnostic + "OpenTABFile: File records 7 - 8 are unused."}));
    EXPECT_STREQ(files_[5].FileName, "c.exe");
    EXPECT_EQ(files_[5].Size, 30u);
    EXPECT_STREQ(files_[3].FileName, ""); // unused records keep their place
    EXPECT_STREQ(files_[3].Destination, "junk");
}

TEST_F(ArchiveEntries, TheFirstRefusedRecordStopsTheWalk)
{
    ArchiveBytes archive(4);
    archive.Record(0, "a.dll").Record(2, "..\\evil.dll").Record(3, "d.dll");
    const EntryWalk walk = Walk(archive, 4);
    EXPECT_EQ(walk.refusal, ArchiveRefusal::NameNotBare);
    EXPECT_EQ(walk.recordNumber, 3u);
    EXPECT_EQ(Lines(), std::vector<std::string>{
                           kDeveloper + "OpenTABFile: File record 1: FileName=a.dll Destination=CUR Size=0"});

    std::memset(archive.RecordAt(2), 'x', 50);
    EXPECT_EQ(Walk(archive, 4).refusal, ArchiveRefusal::NameUnterminated);
    archive.Record(2, "c.dll");
    std::memset(archive.RecordAt(2) + 50, 'S', 10);
    EXPECT_EQ(Walk(archive, 4).refusal, ArchiveRefusal::DestinationUnterminated);
}

TEST_F(ArchiveEntries, OnADoubleByteCodePageABackslashByteInsideACharacterIsNoPath)
{
    ArchiveBytes archive(1);
    archive.Record(0, "\x95\x5C.dat"); // "表.dat" on code page 932
    EXPECT_EQ(Walk(archive, 1).refusal, ArchiveRefusal::NameNotBare);
    const host_ansi_text::DoubleByteCodePage codePage932;
    EXPECT_EQ(Walk(archive, 1).refusal, ArchiveRefusal::None);
    EXPECT_STREQ(files_[0].FileName, "\x95\x5C.dat");
}
