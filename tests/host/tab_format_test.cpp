#include "foundation/ansi_text.h"
#include "install/tab_format.h"
#include "support/archive_bytes.h"
#include "support/host_ansi_text.h"

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

bool SingleByte(unsigned char)
{
    return false;
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
    ASSERT_EQ(DecodeFileRecord(record, &entry, SingleByte), RecordVerdict::Used);
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
    EXPECT_EQ(DecodeFileRecord(record, &entry, SingleByte), RecordVerdict::NameUnterminated);
    EXPECT_EQ(std::strlen(entry.FileName), 49u); // cut, but terminated

    archive.Record(0, "a.dll");
    std::memset(record + 50, 'B', 10);
    EXPECT_EQ(DecodeFileRecord(record, &entry, SingleByte), RecordVerdict::DestinationUnterminated);
    EXPECT_STREQ(entry.Destination, "BBBBBBBBB");

    record[0] = '\0'; // whatever else the record holds
    std::memset(record + 1, '/', 49);
    EXPECT_EQ(DecodeFileRecord(record, &entry, SingleByte), RecordVerdict::Unused);
    EXPECT_STREQ(entry.FileName, "");
}

TEST(FileRecord, OnlyBareFileNamesAreUsableAsTheCodePageReadsThem)
{
    const struct
    {
        const char* name;
        NameFault singleByte;
        NameFault codePage932;
    } cases[] = {
        {"verozar1.exe", NameFault::None, NameFault::None},
        {"Altavy Sans Bold.ttf", NameFault::None, NameFault::None},
        {"\xC4nderung.txt", NameFault::None, NameFault::None}, // code-page letters
        {"..\\..\\windows\\system32\\evil.dll", NameFault::PathLike, NameFault::PathLike},
        {"sub/x.dll", NameFault::PathLike, NameFault::PathLike},
        {"C:x.dll", NameFault::PathLike, NameFault::PathLike},
        {"x.dll:stream", NameFault::PathLike, NameFault::PathLike},
        {"..", NameFault::PathLike, NameFault::PathLike},
        {"x\tdll", NameFault::Control, NameFault::Control},
        {"x\x7F", NameFault::None, NameFault::None},
        {"x?.dll", NameFault::NotAllowed, NameFault::NotAllowed},
        {"x.dll.", NameFault::NotAllowed, NameFault::NotAllowed},
        {"nul.txt", NameFault::NotAllowed, NameFault::NotAllowed},
        {"NUL .txt", NameFault::NotAllowed, NameFault::NotAllowed},
        {"CON. .x", NameFault::NotAllowed, NameFault::NotAllowed},
        {"aux  ", NameFault::NotAllowed, NameFault::NotAllowed},
        {"COM7", NameFault::NotAllowed, NameFault::NotAllowed},
        {"com10", NameFault::None, NameFault::None},
        {"NULL .txt", NameFault::None, NameFault::None},
        // A second byte 0x5C or 0x7C belongs to its character, but no second
        // byte hides a slash, colon, dot or blank.
        {"\x95\x5C.dat", NameFault::PathLike, NameFault::None},
        {"\x83\x7C.txt", NameFault::NotAllowed, NameFault::None},
        {"\xA1\x5C.dat", NameFault::PathLike, NameFault::PathLike}, // 0xA1 is a single-byte character
        {"\x95/x.dat", NameFault::PathLike, NameFault::PathLike},
        {"\x95:x.dat", NameFault::PathLike, NameFault::PathLike},
        {"x\x95.", NameFault::NotAllowed, NameFault::NotAllowed},
        {"\x95\x5C..\x95\x5Cx", NameFault::PathLike, NameFault::None},
        {"\x95\x5C\\x", NameFault::PathLike, NameFault::PathLike},
    };
    const host_ansi_text::DoubleByteCodePage codePage932; // Shift-JIS: "\x95\x5C" is one character
    for (const auto& c : cases)
    {
        EXPECT_EQ(CheckBareFileName(c.name, SingleByte), c.singleByte) << c.name;
        EXPECT_EQ(CheckBareFileName(c.name, AnsiIsLeadByte), c.codePage932) << c.name;
        ArchiveBytes archive(1);
        archive.Record(0, c.name);
        ArchiveEntry entry = {};
        EXPECT_EQ(DecodeFileRecord(archive.RecordAt(0), &entry, AnsiIsLeadByte),
                  c.codePage932 == NameFault::None ? RecordVerdict::Used : RecordVerdict::NameNotBare)
            << c.name;
    }
}
