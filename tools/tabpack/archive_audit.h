// tabpack's judgement of an archive: every check the launcher's reader
// makes, and those it leaves to the archive's maker.
#pragma once

#include "install/tab_format.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The archive's first bytes, header and record block as far as the file
// holds them, zero-filled to at least the header's length; and the file's
// real size.
struct ArchiveImage
{
    std::vector<uint8_t> Bytes;
    uint64_t FileSize;
};

// A refusal makes the archive unsound: the launcher refuses it, or installs
// something other than its maker meant. A warning names what the launcher
// takes in its stride but the maker may not have meant.
enum class Severity
{
    Warning,
    Refusal,
};

// Record is the record's number from 1, or 0 for the archive as a whole. A
// finding about two records names the other in Related (0 for none), whose
// label follows the text ("... duplicates" "record 1").
struct Finding
{
    Severity Level;
    uint32_t Record;
    std::string Text;
    uint32_t Related;
};

// Every finding, in the order of the records; empty for a sound archive
// without a remark.
std::vector<Finding> AuditArchive(const ArchiveImage& image);
bool HasRefusal(const std::vector<Finding>& findings);

// Names a record in a finding's line: "record 3" for an archive, the line
// of its entry for a manifest.
using RecordLabel = std::function<std::string(uint32_t record)>;
std::string RecordNumberLabel(uint32_t record);
// The finding as one line, without its severity.
std::string DescribeFinding(const Finding& finding, const RecordLabel& label);

// The header checks of the reader but the one of ArchiveSize: enough to
// read the records.
HeaderVerdict CheckHeaderBesidesSize(const ArchiveImage& image, TabHeader* fields);
std::string DescribeHeaderVerdict(HeaderVerdict verdict, const TabHeader& fields, uint64_t fileSize);
// Whether the image holds the whole record block HeaderSize announces.
bool HoldsRecordBlock(const ArchiveImage& image, const TabHeader& fields);
std::string DescribeShortRecordBlock(const ArchiveImage& image, const TabHeader& fields);

// The launcher reads names in its workstation's ANSI code page, which
// tabpack does not know: a name may be bare on every code page, or only
// where a double-byte code page joins each 0x5C or 0x7C byte to the byte
// before it ("\x95\x5C.dat" on code page 932), or on none.
enum class NameReading
{
    Bare,
    BareOnDoubleByteCodePages,
    NotBare,
};
NameReading ReadEntryName(const char* name);
// Why the name is not bare on a single-byte code page, after "is".
const char* DescribeNameFault(const char* name);

// A text with anything but printable ASCII, quotes and backslashes escaped.
std::string PrintableText(const char* text);
