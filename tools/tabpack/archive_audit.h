// tabpack's judgement of an archive: every check the launcher's reader
// makes, and those it leaves to the archive's maker.
#pragma once

#include "install/tab_format.h"

#include <cstddef>
#include <cstdint>
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

// One line per problem; empty when the archive is sound.
std::vector<std::string> AuditArchive(const ArchiveImage& image);

// The header checks of the reader but the one of ArchiveSize: enough to
// read the records.
HeaderVerdict CheckHeaderBesidesSize(const ArchiveImage& image, TabHeader* fields);
std::string DescribeHeaderVerdict(HeaderVerdict verdict, const TabHeader& fields, uint64_t fileSize);
// Whether the image holds the whole record block HeaderSize announces.
bool HoldsRecordBlock(const ArchiveImage& image, const TabHeader& fields);
std::string DescribeShortRecordBlock(const ArchiveImage& image, const TabHeader& fields);

// The line for a record the reader refuses ("record N: ...").
std::string DescribeRecordRefusal(uint32_t number, RecordVerdict verdict, const ArchiveEntry& entry);

// A text with anything but printable ASCII, quotes and backslashes escaped.
std::string PrintableText(const char* text);
