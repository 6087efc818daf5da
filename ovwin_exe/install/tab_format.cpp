#include "install/tab_format.h"

#include "install/install_codes.h"

#include <cctype>
#include <cstring>
#include <initializer_list>

namespace
{
constexpr std::size_t kHeaderSizeAt = 10;
constexpr std::size_t kArchiveSizeAt = 14;
constexpr std::size_t kDestinationAt = 50;
constexpr std::size_t kDataOffsetAt = 60;
constexpr std::size_t kSizeAt = 64;
constexpr std::size_t kTimestampAt = 68;
constexpr std::size_t kInstallTypeAt = 84;
constexpr uint32_t kEntryLength = sizeof(ArchiveEntry);

uint16_t ReadLittleEndian16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

void WriteLittleEndian16(uint8_t* bytes, uint16_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

// Copies a NUL-padded text field into a buffer of the field's width, cut by
// one byte when the field holds no NUL.
void CopyTextField(const uint8_t* field, std::size_t width, char* destination)
{
    std::memcpy(destination, field, width);
    destination[width - 1] = '\0';
}

bool IsTerminated(const uint8_t* field, std::size_t width)
{
    return std::memchr(field, '\0', width) != nullptr;
}

// The time stamp's fields in their stored order.
constexpr uint16_t TabTimestamp::*kTimestampFields[] = {
    &TabTimestamp::Year, &TabTimestamp::Month,  &TabTimestamp::Day,    &TabTimestamp::DayOfWeek,
    &TabTimestamp::Hour, &TabTimestamp::Minute, &TabTimestamp::Second, &TabTimestamp::Milliseconds};

std::size_t TextLength(const char* text, std::size_t width)
{
    const void* end = std::memchr(text, '\0', width);
    return end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : width;
}

bool IsDeviceName(const char* name)
{
    // Windows opens a device for these whatever the extension, and it drops
    // the blanks between the name and the extension first ("NUL .txt").
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    const char* dot = std::strchr(name, '.');
    std::size_t stem = dot != nullptr ? static_cast<std::size_t>(dot - name) : std::strlen(name);
    while (stem > 0 && name[stem - 1] == ' ')
    {
        --stem;
    }
    char upper[8] = "";
    if (stem >= sizeof(upper))
    {
        return false;
    }
    for (std::size_t i = 0; i < stem; ++i)
    {
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    }
    upper[stem] = '\0';
    for (const char* device : devices)
    {
        if (std::strcmp(upper, device) == 0)
        {
            return true;
        }
    }
    const bool numbered = std::strncmp(upper, "COM", 3) == 0 || std::strncmp(upper, "LPT", 3) == 0;
    return numbered && stem == 4 && upper[3] >= '1' && upper[3] <= '9';
}

// No code page has a second byte below 0x40, and every byte that matters to
// a path (separators but the backslash, dots, colons, blanks, control
// characters) lies below it: such a byte is judged on its own.
constexpr unsigned char kLowestTrailByte = 0x40;

bool StartsDoubleByteCharacter(const char* at, LeadByteTest isLeadByte)
{
    return isLeadByte(static_cast<unsigned char>(at[0])) &&
           static_cast<unsigned char>(at[1]) >= kLowestTrailByte;
}
} // namespace

uint32_t ReadLittleEndian32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void WriteLittleEndian32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t RecordCountOf(uint32_t headerSize)
{
    return headerSize < kArchiveHeaderLength ? 0 : (headerSize - kArchiveHeaderLength) / kFileRecordLength;
}

HeaderVerdict CheckTabHeader(const uint8_t* header, uint64_t fileSize, TabHeader* fields)
{
    *fields = TabHeader{};
    if (std::memcmp(header, kArchiveMagic, kArchiveMagicLength) != 0)
    {
        return HeaderVerdict::WrongMagic;
    }
    fields->HeaderSize = ReadLittleEndian32(header + kHeaderSizeAt);
    fields->ArchiveSize = ReadLittleEndian32(header + kArchiveSizeAt);
    if (fileSize >= kArchiveSizeLimit)
    {
        return HeaderVerdict::TooLarge;
    }
    if (fields->ArchiveSize != 0 && fields->ArchiveSize != static_cast<uint32_t>(fileSize))
    {
        return HeaderVerdict::SizeMismatch;
    }
    if (fields->HeaderSize < kArchiveHeaderLength)
    {
        return HeaderVerdict::HeaderTooSmall;
    }
    fields->BlockLength = fields->HeaderSize - kArchiveHeaderLength;
    fields->RecordCount = fields->BlockLength / kFileRecordLength;
    if (fields->BlockLength < kFileRecordLength)
    {
        return HeaderVerdict::NoWholeRecord;
    }
    // Neither a count of 0 nor an entry table below 88 bytes can come out of
    // a header that passed the checks before; those two checks stay as the
    // guards they were meant to be, should the limits ever change.
    if (fields->RecordCount == 0)
    {
        return HeaderVerdict::NoRecords;
    }
    if (fields->RecordCount > kMaxFileRecords)
    {
        return HeaderVerdict::TooManyRecords;
    }
    if (fields->RecordCount * kEntryLength < kEntryLength)
    {
        return HeaderVerdict::ArrayArithmetic;
    }
    return HeaderVerdict::Sound;
}

NameFault CheckBareFileName(const char* name, LeadByteTest isLeadByte)
{
    const std::size_t length = std::strlen(name);
    if (length == 0)
    {
        return NameFault::Empty;
    }
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
    {
        return NameFault::PathLike;
    }
    bool endsInDotOrBlank = false;
    for (std::size_t i = 0; i < length; ++i)
    {
        if (StartsDoubleByteCharacter(name + i, isLeadByte))
        {
            ++i; // a 0x5C here is the second half of a character, not a backslash
            endsInDotOrBlank = false;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '\\' || c == '/' || c == ':')
        {
            return NameFault::PathLike;
        }
        if (c < 0x20)
        {
            return NameFault::Control;
        }
        if (std::strchr("<>\"|?*", c) != nullptr)
        {
            return NameFault::NotAllowed;
        }
        endsInDotOrBlank = c == '.' || c == ' ';
    }
    // Windows drops trailing dots and spaces, so the name on disk would not be
    // the name in the archive.
    if (endsInDotOrBlank || IsDeviceName(name))
    {
        return NameFault::NotAllowed;
    }
    return NameFault::None;
}

bool IsUnusedRecord(const uint8_t* record)
{
    return record[0] == '\0';
}

void ReadRecordFields(const uint8_t* record, ArchiveEntry* entry)
{
    CopyTextField(record, kFileNameField, entry->FileName);
    CopyTextField(record + kDestinationAt, kDestinationField, entry->Destination);
    entry->DataOffset = ReadLittleEndian32(record + kDataOffsetAt);
    entry->Size = ReadLittleEndian32(record + kSizeAt);
    std::size_t at = kTimestampAt;
    for (uint16_t TabTimestamp::*field : kTimestampFields)
    {
        entry->Timestamp.*field = ReadLittleEndian16(record + at);
        at += 2;
    }
    entry->InstallType = ReadLittleEndian32(record + kInstallTypeAt);
}

RecordVerdict DecodeFileRecord(const uint8_t* record, ArchiveEntry* entry, LeadByteTest isLeadByte)
{
    ReadRecordFields(record, entry);
    if (IsUnusedRecord(record))
    {
        return RecordVerdict::Unused;
    }
    if (!IsTerminated(record, kFileNameField))
    {
        return RecordVerdict::NameUnterminated;
    }
    if (CheckBareFileName(entry->FileName, isLeadByte) != NameFault::None)
    {
        return RecordVerdict::NameNotBare;
    }
    if (!IsTerminated(record + kDestinationAt, kDestinationField))
    {
        return RecordVerdict::DestinationUnterminated;
    }
    return RecordVerdict::Used;
}

void EncodeTabHeader(uint8_t* header, uint32_t headerSize, uint32_t archiveSize)
{
    std::memset(header, 0, kArchiveHeaderLength);
    std::memcpy(header, kArchiveMagic, kArchiveMagicLength);
    WriteLittleEndian32(header + kHeaderSizeAt, headerSize);
    WriteLittleEndian32(header + kArchiveSizeAt, archiveSize);
}

void EncodeFileRecord(const ArchiveEntry& entry, uint8_t* record)
{
    std::memset(record, 0, kFileRecordLength);
    std::memcpy(record, entry.FileName, TextLength(entry.FileName, kFileNameField));
    std::memcpy(record + kDestinationAt, entry.Destination, TextLength(entry.Destination, kDestinationField));
    WriteLittleEndian32(record + kDataOffsetAt, entry.DataOffset);
    WriteLittleEndian32(record + kSizeAt, entry.Size);
    std::size_t at = kTimestampAt;
    for (uint16_t TabTimestamp::*field : kTimestampFields)
    {
        WriteLittleEndian16(record + at, entry.Timestamp.*field);
        at += 2;
    }
    WriteLittleEndian32(record + kInstallTypeAt, entry.InstallType);
}

const char* InstallWord(uint32_t installType)
{
    switch (installType)
    {
        case INSTALL_DIFFERENT:
            return "Different";
        case INSTALL_NEWER:
            return "Newer";
        case INSTALL_ALWAYS:
            return "Always";
        case INSTALL_DOES_NOT_EXIST:
            return "DoesNotExist";
        default:
            return "";
    }
}

bool IsKnownInstallRule(uint32_t installType)
{
    return InstallWord(installType)[0] != '\0';
}

bool IsKnownDestination(const char* destination)
{
    for (const char* known : {"CUR", "FON", "WIN", "SYS", "S64"})
    {
        if (std::strcmp(destination, known) == 0)
        {
            return true;
        }
    }
    return false;
}
