// The TAB package archive: a 100-byte header, a block of 100-byte file
// records and the stored contents. Decoding and encoding of the header and
// the records, shared by the launcher's reader, its list report and tabpack,
// so the format is written down once.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr const char* kArchiveName = "verozar0.dll"; // the one archive the launcher knows
constexpr const char kArchiveMagic[] = "DEZORORERO";
constexpr std::size_t kArchiveMagicLength = 10;
constexpr uint32_t kArchiveHeaderLength = 100;
constexpr uint32_t kFileRecordLength = 100;
constexpr std::size_t kFileNameField = 50;
constexpr std::size_t kDestinationField = 10;
// DataOffset is a signed 32-bit seek distance and the file size is compared
// by its low 32 bits, so an archive must stay below 2 GiB.
constexpr uint64_t kArchiveSizeLimit = 0x80000000ull;
// FileCount is 16 bits wide.
constexpr uint32_t kMaxFileRecords = 0xFFFF;

// Eight 16-bit numbers as the archive stores them: Day before DayOfWeek,
// the reverse of SYSTEMTIME.
struct TabTimestamp
{
    uint16_t Year;
    uint16_t Month;
    uint16_t Day;
    uint16_t DayOfWeek;
    uint16_t Hour;
    uint16_t Minute;
    uint16_t Second;
    uint16_t Milliseconds;
};

// A file record in memory: its first 88 bytes with both texts terminated.
struct ArchiveEntry
{
    char FileName[kFileNameField];
    char Destination[kDestinationField];
    uint32_t DataOffset;
    uint32_t Size;
    TabTimestamp Timestamp;
    uint32_t InstallType;
};
static_assert(sizeof(ArchiveEntry) == 88, "an archive entry is 88 bytes, as FilesArraySize counts them");

uint32_t ReadLittleEndian32(const uint8_t* bytes);
void WriteLittleEndian32(uint8_t* bytes, uint32_t value);

// Why an archive's header is refused, in the order the reader checks.
enum class HeaderVerdict
{
    Sound,
    WrongMagic,
    TooLarge,        // 2 GiB or more
    SizeMismatch,    // ArchiveSize is neither 0 nor the file's size
    HeaderTooSmall,  // HeaderSize < 100
    NoWholeRecord,   // HeaderSize - 100 < 100
    NoRecords,       // the record count came out 0
    TooManyRecords,  // more than FileCount can hold
    ArrayArithmetic, // FileCount x 88 came out below 88
};

struct TabHeader
{
    uint32_t HeaderSize;
    uint32_t ArchiveSize;
    uint32_t BlockLength; // HeaderSize - 100, when HeaderSize >= 100
    uint32_t RecordCount;
};

// Checks the first 100 bytes of an archive (zero-filled where the file is
// shorter) against the file's real size. The fields are filled as far as
// the checks got.
HeaderVerdict CheckTabHeader(const uint8_t* header, uint64_t fileSize, TabHeader* fields);

// Why a file name is not a bare file name; None when it is one.
enum class NameFault
{
    None,
    Empty,
    PathLike,   // separator, drive colon, "." or ".."
    Control,    // a control character
    NotAllowed, // a character Windows refuses, a trailing dot or space, a device name
};

// Whether a byte opens a double-byte character in the code page the name is
// read in. The second byte of such a character may be 0x5C, a backslash
// only where it stands alone.
using LeadByteTest = bool (*)(unsigned char byte);

// Judges the name character by character as the code page reads it.
NameFault CheckBareFileName(const char* name, LeadByteTest isLeadByte);

enum class RecordVerdict
{
    Used,
    Unused,                  // the name's first byte is NUL, whatever the rest holds
    NameUnterminated,        // 50 bytes without a NUL
    NameNotBare,             // see CheckBareFileName
    DestinationUnterminated, // 10 bytes without a NUL
};

// A record whose name's first byte is NUL is unused, whatever the rest holds.
[[nodiscard]] bool IsUnusedRecord(const uint8_t* record);

// Decodes one 100-byte record into an entry, texts cut and terminated where
// the record had no NUL, without judging it.
void ReadRecordFields(const uint8_t* record, ArchiveEntry* entry);

// Decodes a record and says whether the launcher may use it, its name read
// in the code page isLeadByte describes.
RecordVerdict DecodeFileRecord(const uint8_t* record, ArchiveEntry* entry, LeadByteTest isLeadByte);

// The header and record encodings, for tools and tests that build archives.
void EncodeTabHeader(uint8_t* header, uint32_t headerSize, uint32_t archiveSize);
void EncodeFileRecord(const ArchiveEntry& entry, uint8_t* record);

// The record count that HeaderSize provides (0 below 100 bytes).
[[nodiscard]] uint32_t RecordCountOf(uint32_t headerSize);

// "Different", "Newer", "Always", "DoesNotExist"; empty for other rules.
const char* InstallWord(uint32_t installType);
[[nodiscard]] bool IsKnownInstallRule(uint32_t installType);
[[nodiscard]] bool IsKnownDestination(const char* destination); // "CUR", "FON", "WIN", "SYS", "S64"
