#include "archive_audit.h"

#include "install/tab_time.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

namespace
{
constexpr std::size_t kArchiveSizeAt = 14;

std::string Text(uint64_t value)
{
    return std::to_string(value);
}

std::string FormatTimestamp(const TabTimestamp& stamp)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", stamp.Year, stamp.Month,
                  stamp.Day, stamp.Hour, stamp.Minute, stamp.Second, stamp.Milliseconds);
    return text;
}

std::string Upper(const char* text)
{
    std::string upper(text);
    for (char& c : upper)
    {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

bool NoLeadBytes(unsigned char)
{
    return false;
}

// The widest lead-byte range of Windows' double-byte code pages (932, 936,
// 949, 950).
bool AnyDoubleByteLead(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

class Findings
{
  public:
    void Refuse(uint32_t record, const std::string& text, uint32_t related = 0)
    {
        list.push_back({Severity::Refusal, record, text, related});
    }
    void Warn(uint32_t record, const std::string& text)
    {
        list.push_back({Severity::Warning, record, text, 0});
    }

    std::vector<Finding> list;
};

struct DataRange
{
    uint64_t Start;
    uint64_t End;
    uint32_t Number;
};

// What the reader does not look at: where the contents lie, and what the
// installation makes of the name, the destination, the rule and the time.
void AuditUsedEntry(uint32_t number, const ArchiveEntry& entry, const TabHeader& fields, uint64_t fileSize,
                    Findings& findings, std::vector<DataRange>& ranges)
{
    if (ReadEntryName(entry.FileName) == NameReading::BareOnDoubleByteCodePages)
    {
        findings.Warn(number, "file name \"" + PrintableText(entry.FileName) +
                                  "\" is a bare file name only on a double-byte code page; a launcher on a "
                                  "single-byte code page refuses the archive");
    }
    if (!IsKnownDestination(entry.Destination))
    {
        findings.Warn(number, "destination \"" + PrintableText(entry.Destination) +
                                  "\" is not CUR, FON, WIN, SYS or S64; the launcher skips the entry");
    }
    if (!IsKnownInstallRule(entry.InstallType))
    {
        findings.Warn(number, "install rule " + Text(entry.InstallType) +
                                  " is not 101, 102, 103 or 109; the launcher never installs the entry");
    }
    if (!IsValidTimestamp(entry.Timestamp))
    {
        findings.Refuse(number,
                        "time stamp " + FormatTimestamp(entry.Timestamp) + " is not a valid date and time");
    }
    const uint64_t start = entry.DataOffset;
    const uint64_t end = start + entry.Size;
    if (start >= kArchiveSizeLimit)
    {
        findings.Refuse(number, "DataOffset " + Text(start) + " is not below 2 GiB");
    }
    else if (start < fields.HeaderSize)
    {
        findings.Refuse(number, "data at offset " + Text(start) + " lies inside the header and record block");
    }
    else if (end > fileSize)
    {
        findings.Refuse(number, "data (offset " + Text(start) + ", " + Text(entry.Size) +
                                    " bytes) runs past the end of the file (" + Text(fileSize) + " bytes)");
    }
    else if (entry.Size > 0)
    {
        ranges.push_back({start, end, number});
    }
}

void AuditOverlaps(std::vector<DataRange>& ranges, Findings& findings)
{
    std::sort(ranges.begin(), ranges.end(), [](const DataRange& left, const DataRange& right) {
        return left.Start != right.Start ? left.Start < right.Start : left.Number < right.Number;
    });
    const DataRange* furthest = nullptr;
    for (const DataRange& range : ranges)
    {
        if (furthest != nullptr && range.Start < furthest->End)
        {
            findings.Refuse(range.Number, "data overlaps that of", furthest->Number);
        }
        if (furthest == nullptr || range.End > furthest->End)
        {
            furthest = &range;
        }
    }
}

std::string DescribeRecordRefusal(RecordVerdict verdict, const ArchiveEntry& entry)
{
    switch (verdict)
    {
        case RecordVerdict::NameUnterminated:
            return "file name has no terminating NUL";
        case RecordVerdict::NameNotBare:
            return "file name \"" + PrintableText(entry.FileName) + "\" is " +
                   DescribeNameFault(entry.FileName);
        case RecordVerdict::DestinationUnterminated:
            return "destination has no terminating NUL";
        case RecordVerdict::Used:
        case RecordVerdict::Unused:
            break;
    }
    return "usable";
}
} // namespace

HeaderVerdict CheckHeaderBesidesSize(const ArchiveImage& image, TabHeader* fields)
{
    uint8_t header[kArchiveHeaderLength];
    std::memcpy(header, image.Bytes.data(), sizeof(header));
    const uint32_t archiveSize = ReadLittleEndian32(header + kArchiveSizeAt);
    WriteLittleEndian32(header + kArchiveSizeAt, 0);
    const HeaderVerdict verdict = CheckTabHeader(header, image.FileSize, fields);
    fields->ArchiveSize = archiveSize;
    return verdict;
}

std::string DescribeHeaderVerdict(HeaderVerdict verdict, const TabHeader& fields, uint64_t fileSize)
{
    switch (verdict)
    {
        case HeaderVerdict::Sound:
            return "sound";
        case HeaderVerdict::WrongMagic:
            return "not a TAB archive: it does not start with \"DEZORORERO\"";
        case HeaderVerdict::TooLarge:
            return "the file is 2 GiB or larger (" + Text(fileSize) + " bytes)";
        case HeaderVerdict::SizeMismatch:
            return "ArchiveSize " + Text(fields.ArchiveSize) + " differs from the file's size " +
                   Text(fileSize);
        case HeaderVerdict::HeaderTooSmall:
            return "HeaderSize " + Text(fields.HeaderSize) + " is below 100";
        case HeaderVerdict::NoWholeRecord:
        case HeaderVerdict::NoRecords:
            return "HeaderSize " + Text(fields.HeaderSize) + " holds no whole file record";
        case HeaderVerdict::TooManyRecords:
        case HeaderVerdict::ArrayArithmetic:
            return "HeaderSize " + Text(fields.HeaderSize) + " makes " + Text(fields.RecordCount) +
                   " file records, more than 65535";
    }
    return "the header is refused";
}

bool HoldsRecordBlock(const ArchiveImage& image, const TabHeader& fields)
{
    return image.FileSize >= fields.HeaderSize && image.Bytes.size() >= fields.HeaderSize;
}

std::string DescribeShortRecordBlock(const ArchiveImage& image, const TabHeader& fields)
{
    return "the file (" + Text(image.FileSize) + " bytes) ends inside the record block (HeaderSize " +
           Text(fields.HeaderSize) + ")";
}

std::vector<Finding> AuditArchive(const ArchiveImage& image)
{
    Findings findings;
    TabHeader fields = {};
    const HeaderVerdict verdict = CheckTabHeader(image.Bytes.data(), image.FileSize, &fields);
    if (verdict == HeaderVerdict::SizeMismatch)
    {
        findings.Refuse(0, DescribeHeaderVerdict(verdict, fields, image.FileSize));
    }
    const HeaderVerdict rest = CheckHeaderBesidesSize(image, &fields);
    if (rest != HeaderVerdict::Sound)
    {
        findings.Refuse(0, DescribeHeaderVerdict(rest, fields, image.FileSize));
        return findings.list;
    }
    if (!HoldsRecordBlock(image, fields))
    {
        findings.Refuse(0, DescribeShortRecordBlock(image, fields));
        return findings.list;
    }
    if (fields.BlockLength % kFileRecordLength != 0)
    {
        findings.Warn(0, "HeaderSize " + Text(fields.HeaderSize) + " leaves " +
                             Text(fields.BlockLength % kFileRecordLength) +
                             " bytes after the last whole file record, which the launcher ignores");
    }

    std::vector<DataRange> ranges;
    std::map<std::string, uint32_t> seen; // destination and name, in capitals
    for (uint32_t i = 0; i < fields.RecordCount; ++i)
    {
        const uint32_t number = i + 1;
        ArchiveEntry entry = {};
        // Read as permissively as any code page reads it; what only some
        // code pages refuse is a warning of AuditUsedEntry.
        const RecordVerdict decoded = DecodeFileRecord(
            image.Bytes.data() + kArchiveHeaderLength + i * kFileRecordLength, &entry, AnyDoubleByteLead);
        if (decoded == RecordVerdict::Unused)
        {
            continue;
        }
        if (decoded != RecordVerdict::Used)
        {
            findings.Refuse(number, DescribeRecordRefusal(decoded, entry));
            continue;
        }
        AuditUsedEntry(number, entry, fields, image.FileSize, findings, ranges);
        const auto placed = seen.emplace(Upper(entry.Destination) + '\n' + Upper(entry.FileName), number);
        if (!placed.second)
        {
            findings.Refuse(number,
                            "\"" + PrintableText(entry.FileName) + "\" in " +
                                PrintableText(entry.Destination) + " duplicates",
                            placed.first->second);
        }
    }
    AuditOverlaps(ranges, findings);
    return findings.list;
}

bool HasRefusal(const std::vector<Finding>& findings)
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& finding) { return finding.Level == Severity::Refusal; });
}

std::string RecordNumberLabel(uint32_t record)
{
    return "record " + Text(record);
}

std::string DescribeFinding(const Finding& finding, const RecordLabel& label)
{
    std::string line = finding.Record != 0 ? label(finding.Record) + ": " + finding.Text : finding.Text;
    return finding.Related != 0 ? line + " " + label(finding.Related) : line;
}

NameReading ReadEntryName(const char* name)
{
    if (CheckBareFileName(name, NoLeadBytes) == NameFault::None)
    {
        return NameReading::Bare;
    }
    return CheckBareFileName(name, AnyDoubleByteLead) == NameFault::None
               ? NameReading::BareOnDoubleByteCodePages
               : NameReading::NotBare;
}

const char* DescribeNameFault(const char* name)
{
    switch (CheckBareFileName(name, NoLeadBytes))
    {
        case NameFault::None:
            return "a bare file name";
        case NameFault::Empty:
            return "empty";
        case NameFault::PathLike:
            return "a path, not a bare file name";
        case NameFault::Control:
            return "a name with a control character in it";
        case NameFault::NotAllowed:
            return "not a name Windows allows for a file";
    }
    return "";
}

std::string PrintableText(const char* text)
{
    std::string shown;
    for (const char* c = text; *c != '\0'; ++c)
    {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '"' || byte == '\\')
        {
            shown += '\\';
            shown += *c;
        }
        else if (byte >= 0x20 && byte < 0x7F)
        {
            shown += *c;
        }
        else
        {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", byte);
            shown += escaped;
        }
    }
    return shown;
}
