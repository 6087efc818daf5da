#include "install/file_list_report.h"
#include "install/tab_time.h"
#include "support/archive_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
class Collect : public ReportWriter
{
  public:
    void Write(const char* piece) override { text += piece; }
    std::string text;
};

// Kolkata: five and a half hours east of UTC, no daylight saving.
bool Kolkata(const TabTimestamp& utc, TabTimestamp* shown)
{
    return ShiftTimestamp(utc, 5 * 3600 + 1800, shown);
}

// Tokyo: nine hours east.
bool Tokyo(const TabTimestamp& utc, TabTimestamp* shown)
{
    return ShiftTimestamp(utc, 9 * 3600, shown);
}

std::string Listed(ArchiveBytes& archive, TimeConversion convert = Kolkata)
{
    Collect out;
    WriteListedRecords(out, archive.bytes.data(), archive.bytes.size(),
                       ReadLittleEndian32(archive.bytes.data() + 10), convert);
    return out.text;
}

std::size_t LineCount(const std::string& text)
{
    std::size_t lines = 0;
    for (const char c : text)
    {
        lines += c == '\n';
    }
    return lines;
}
} // namespace

TEST(FileListReport, LayoutOfHeadingAndRecordLines)
{
    Collect out;
    WriteReportHeading(out, "verozar0.dll", {2024, 3, 5, 2, 7, 8, 9, 0}, 123456);
    ArchiveBytes archive(5);
    archive.Record(0, "verozar1.exe", "CUR", 1048576, INSTALL_DIFFERENT)
        .Record(1, "A rather long font file name.ttf", "FON", 7, INSTALL_DOES_NOT_EXIST,
                {2023, 12, 31, 0, 23, 30, 0, 0})
        .Record(2, "odd.bin", "SYS", 0, 104)
        .Record(3, "x64.dll", "S64", 0xFFFFFFFF, INSTALL_ALWAYS)
        .Record(4, "bad.dll", "CUR", 1, INSTALL_NEWER, {2023, 2, 29, 0, 12, 0, 0, 0});
    WriteListedRecords(out, archive.bytes.data(), archive.bytes.size(), 600, Tokyo);
    EXPECT_EQ(
        out.text,
        "\n\n"
        "verozar0.dll                03/05/2024    07:08:09      123456\n\n"
        "Filename                    Date          Time            Size    Location      Install      \n"
        "------------------------    ----------    --------    --------    ----------    ------------\n"
        "verozar1.exe                07/14/2023    18:30:00     1048576    CUR           Different    \n"
        "A rather long font file name.ttf    01/01/2024    08:30:00           7    FON           "
        "DoesNotExist \n"
        "odd.bin                     07/14/2023    18:30:00           0    SYS                        \n"
        "x64.dll                     07/14/2023    18:30:00          -1    S64           Always       \n"
        "bad.dll                     00/00/0000    00:00:00           1    CUR           Newer        \n");
}

TEST(FileListReport, ListingEndsAt198RecordsOrAtTheFirstUnusedOne)
{
    ArchiveBytes many(250);
    for (uint32_t i = 0; i < 250; ++i)
    {
        many.Record(i, ("file" + std::to_string(i) + ".dll").c_str());
    }
    const std::string listed = Listed(many);
    EXPECT_EQ(LineCount(listed), 198u);
    EXPECT_NE(listed.find("file197.dll"), std::string::npos);
    EXPECT_EQ(listed.find("file198.dll"), std::string::npos);

    ArchiveBytes gaps(4);
    gaps.Record(0, "a.dll").Record(2, "c.dll").Record(3, "d.dll");
    EXPECT_EQ(LineCount(Listed(gaps)), 1u); // records after an unused one are not listed

    ArchiveBytes firstUnused(2);
    firstUnused.Record(1, "b.dll");
    EXPECT_EQ(Listed(firstUnused), "");
}

TEST(FileListReport, RecordsTheInstallationWouldRefuseAreListedAsTheyStand)
{
    ArchiveBytes odd(4);
    odd.Record(0, "..\\..\\boot.ini", "WIN")
        .Record(1, "NUL .txt", "CUR", 3, 104)
        .Record(2, "b.dll", "CUR")
        .Record(3, "after.dll");
    std::memset(odd.RecordAt(2), 'b', 50);      // a name without its NUL
    std::memset(odd.RecordAt(2) + 50, 'D', 10); // and a destination without one
    EXPECT_EQ(
        Listed(odd, Tokyo),
        "..\\..\\boot.ini              07/14/2023    18:30:00           0    WIN           "
        "Newer        \n"
        "NUL .txt                    07/14/2023    18:30:00           3    CUR                        \n" +
            std::string(50, 'b') +
            "    07/14/2023    18:30:00           0    DDDDDDDDDD    Newer        \n"
            "after.dll                   07/14/2023    18:30:00           0    CUR           "
            "Newer        \n");
}

TEST(FileListReport, OnlyRecordsTheHeaderProvidesAndTheReadHeldWhole)
{
    ArchiveBytes archive(3);
    archive.Record(0, "a.dll").Record(1, "b.dll").Record(2, "c.dll");
    EXPECT_EQ(LineCount(Listed(archive.HeaderSize(299))), 1u);
    EXPECT_EQ(LineCount(Listed(archive.HeaderSize(50))), 0u);
    archive.HeaderSize(400);
    archive.bytes.resize(399); // the last record was not read whole
    EXPECT_EQ(LineCount(Listed(archive)), 2u);
}
