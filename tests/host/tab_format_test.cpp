#include "install/tab_format.h"
#include "support/archive_bytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
HeaderVerdict Check(const ArchiveBytes& archive, uint64_t fileSize, TabHeader* fields = nullptr)
{
    std::vector<uint8_t> header(archive.bytes);
    header.resize(header.size() < kArchiveHeaderLength ? kArchiveHeaderLength : header.size(), 0);
    TabHeader ignored = {};
    return CheckTabHeader(header.data(), fileSize, fields != nullptr ? fields : &ignored);
}

HeaderVerdict Check(const ArchiveBytes& archive)
{
    return Check(archive, archive.bytes.size());
}
} // namespace

TEST(TabHeader, RecordCountComesFromHeaderSizeAndSpareBytesAreIgnored)
{
    ArchiveBytes archive(2);
    archive.Append("x");
    TabHeader fields = {};
    ASSERT_EQ(Check(archive, archive.bytes.size(), &fields), HeaderVerdict::Sound);
    EXPECT_EQ(fields.HeaderSize, 300u);
    EXPECT_EQ(fields.ArchiveSize, 301u);
    EXPECT_EQ(fields.BlockLength, 200u);
    EXPECT_EQ(fields.RecordCount, 2u);

    EXPECT_EQ(Check(ArchiveBytes(1).HeaderSize(200).ArchiveSize(0), 300), HeaderVerdict::Sound);
    EXPECT_EQ(Check(ArchiveBytes(2).HeaderSize(299).ArchiveSize(0), 300, &fields), HeaderVerdict::Sound);
    EXPECT_EQ(fields.RecordCount, 1u);
    EXPECT_EQ(Check(ArchiveBytes(2).HeaderSize(199).ArchiveSize(0)), HeaderVerdict::NoWholeRecord);
    EXPECT_EQ(Check(ArchiveBytes(2).HeaderSize(100).ArchiveSize(0)), HeaderVerdict::NoWholeRecord);
    EXPECT_EQ(Check(ArchiveBytes(2).HeaderSize(99).ArchiveSize(0)), HeaderVerdict::HeaderTooSmall);
}

TEST(TabHeader, ArchiveSizeZeroSkipsTheSizeCheckWhichComesBeforeTheHeaderSizeChecks)
{
    ArchiveBytes archive(1);
    EXPECT_EQ(Check(archive, 201), HeaderVerdict::SizeMismatch); // a byte appended after packaging
    EXPECT_EQ(Check(archive.ArchiveSize(0), 201), HeaderVerdict::Sound);
    EXPECT_EQ(Check(ArchiveBytes(1).HeaderSize(5).ArchiveSize(7), 200), HeaderVerdict::SizeMismatch);
}

TEST(TabHeader, MagicIsCheckedFirstAndShortFilesFailOnIt)
{
    ArchiveBytes archive(1);
    archive.bytes[9] = 'o';
    EXPECT_EQ(Check(archive), HeaderVerdict::WrongMagic);
    ArchiveBytes truncated(1);
    truncated.bytes.resize(9); // the rest reads as the zero fill
    EXPECT_EQ(Check(truncated, 9), HeaderVerdict::WrongMagic);
}

TEST(TabHeader, ArchivesTheFormatCannotAddressAreRefused)
{
    EXPECT_EQ(Check(ArchiveBytes(1).ArchiveSize(0), 0x80000000ull), HeaderVerdict::TooLarge);
    // The low 32 bits of a 4 GiB file would match an ArchiveSize of 200.
    EXPECT_EQ(Check(ArchiveBytes(1), 0x100000000ull + 200), HeaderVerdict::TooLarge);
    EXPECT_EQ(Check(ArchiveBytes(1).ArchiveSize(0), 0x7FFFFFFFull), HeaderVerdict::Sound);

    EXPECT_EQ(Check(ArchiveBytes(1).HeaderSize(100 + 65535 * 100 + 99).ArchiveSize(0)), HeaderVerdict::Sound);
    EXPECT_EQ(Check(ArchiveBytes(1).HeaderSize(100 + 65536 * 100).ArchiveSize(0)),
              HeaderVerdict::TooManyRecords);
    EXPECT_EQ(Check(ArchiveBytes(1).HeaderSize(0xFFFFFFFF).ArchiveSize(0)), HeaderVerdict::TooManyRecords);
}

TEST(FileRecord, FieldsDecodeAtTheirOffsetsWithDayBeforeDayOfWeek)
{
    ArchiveBytes archive(1);
    uint8_t* record = archive.RecordAt(0);
    std::memcpy(record, "verozar1.exe", 12);
    std::memcpy(record + 50, "S64", 3);
    const uint8_t numbers[] = {0x10, 0x20, 0x30, 0x40, 0x01, 0x02, 0x03, 0x04, // DataOffset, Size
                               0xE7, 0x07, 7,    0,    14,   0,    5,    0,
                               9,    0,    30,   0,    1,    0,    0xE7, 0x03, // 2023-07-14 Fri 09:30:01.999
                               0x6D, 0,    0,    0};                           // 109
    std::memcpy(record + 60, numbers, sizeof(numbers));
    std::memset(record + 88, 0xEE, 12); // reserved, not read

    ArchiveEntry entry = {};
    ASSERT_EQ(DecodeFileRecord(record, &entry), RecordVerdict::Used);
    EXPECT_STREQ(entry.FileName, "verozar1.exe");
    EXPECT_STREQ(entry.Destination, "S64");
    EXPECT_EQ(entry.DataOffset, 0x40302010u);
    EXPECT_EQ(entry.Size, 0x04030201u);
    EXPECT_EQ(StampText(entry.Timestamp), "2023-07-14(5) 09:30:01.999");
    EXPECT_EQ(entry.InstallType, INSTALL_DOES_NOT_EXIST);

    uint8_t encoded[kFileRecordLength];
    EncodeFileRecord(entry, encoded);
    std::memset(record + 88, 0, 12);
    EXPECT_EQ(std::memcmp(encoded, record, kFileRecordLength), 0);
}

TEST(FileRecord, TextsWithoutNulAreRefusedButUnusedRecordsNever)
{
    ArchiveBytes archive(1);
    ArchiveEntry entry = {};
    uint8_t* record = archive.RecordAt(0);
    std::memset(record, 'A', 50);
    EXPECT_EQ(DecodeFileRecord(record, &entry), RecordVerdict::NameUnterminated);
    EXPECT_EQ(std::strlen(entry.FileName), 49u); // cut, but terminated

    archive.Record(0, "a.dll");
    std::memset(record + 50, 'B', 10);
    EXPECT_EQ(DecodeFileRecord(record, &entry), RecordVerdict::DestinationUnterminated);
    EXPECT_STREQ(entry.Destination, "BBBBBBBBB");

    record[0] = '\0'; // whatever else the record holds
    std::memset(record + 1, '/', 49);
    EXPECT_EQ(DecodeFileRecord(record, &entry), RecordVerdict::Unused);
    EXPECT_STREQ(entry.FileName, "");
}

TEST(FileRecord, OnlyBareFileNamesAreUsable)
{
    const struct
    {
        const char* name;
        NameFault fault;
    } cases[] = {
        {"verozar1.exe", NameFault::None},
        {"Altavy Sans Bold.ttf", NameFault::None},
        {"\xC4nderung.txt", NameFault::None}, // code-page letters
        {"..\\..\\windows\\system32\\evil.dll", NameFault::PathLike},
        {"sub/x.dll", NameFault::PathLike},
        {"C:x.dll", NameFault::PathLike},
        {"x.dll:stream", NameFault::PathLike},
        {"..", NameFault::PathLike},
        {"x\tdll", NameFault::Control},
        {"x\x7F", NameFault::None},
        {"x?.dll", NameFault::NotAllowed},
        {"x.dll.", NameFault::NotAllowed},
        {"nul.txt", NameFault::NotAllowed},
        {"COM7", NameFault::NotAllowed},
        {"com10", NameFault::None},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(CheckBareFileName(c.name), c.fault) << c.name;
        ArchiveBytes archive(1);
        archive.Record(0, c.name);
        ArchiveEntry entry = {};
        EXPECT_EQ(DecodeFileRecord(archive.RecordAt(0), &entry),
                  c.fault == NameFault::None ? RecordVerdict::Used : RecordVerdict::NameNotBare)
            << c.name;
    }
}
