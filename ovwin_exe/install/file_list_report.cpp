#include "install/file_list_report.h"

#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"

namespace
{
// Sizes are printed as the launcher's 32-bit long holds them, on every
// platform alike.
long AsLong(uint32_t value)
{
    return static_cast<long>(static_cast<int32_t>(value));
}
} // namespace

void WriteReportHeading(ReportWriter& out, const char* archiveName, const TabTimestamp& shown,
                        uint32_t archiveSize)
{
    char line[kMessageCapacity];
    out.Write("\n\n");
    FormatToBuffer(line, sizeof(line), "%-24s    %02d/%02d/%04d    %02d:%02d:%02d    %8ld\n\n", archiveName,
                   shown.Month, shown.Day, shown.Year, shown.Hour, shown.Minute, shown.Second,
                   AsLong(archiveSize));
    out.Write(line);
    FormatToBuffer(line, sizeof(line), "%-24s    %-10s    %-8s    %8s    %-10s    %-13s\n", "Filename",
                   "Date", "Time", "Size", "Location", "Install");
    out.Write(line);
    out.Write(
        "------------------------    ----------    --------    --------    ----------    ------------\n");
}

void WriteReportRecord(ReportWriter& out, const uint8_t* record, TimeConversion convert)
{
    ArchiveEntry entry = {};
    ReadRecordFields(record, &entry);
    TabTimestamp shown = {};
    if (!convert(entry.Timestamp, &shown))
    {
        shown = TabTimestamp{};
    }
    // The precisions keep the texts inside their fields when no NUL ends them.
    const char* name = reinterpret_cast<const char*>(record);
    const char* destination = name + kFileNameField;
    char line[kMessageCapacity];
    FormatToBuffer(line, sizeof(line),
                   "%-24.50s    %02d/%02d/%04d    %02d:%02d:%02d    %8ld    %-10.10s    %-13s\n", name,
                   shown.Month, shown.Day, shown.Year, shown.Hour, shown.Minute, shown.Second,
                   AsLong(entry.Size), destination, InstallWord(entry.InstallType));
    out.Write(line);
}

void WriteListedRecords(ReportWriter& out, const uint8_t* image, std::size_t imageLength, uint32_t headerSize,
                        TimeConversion convert)
{
    uint32_t count = RecordCountOf(headerSize);
    const std::size_t wholeRecords =
        imageLength < kArchiveHeaderLength ? 0 : (imageLength - kArchiveHeaderLength) / kFileRecordLength;
    count = count < wholeRecords ? count : static_cast<uint32_t>(wholeRecords);
    count = count < kListedRecordLimit ? count : kListedRecordLimit;
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint8_t* record = image + kArchiveHeaderLength + i * kFileRecordLength;
        if (IsUnusedRecord(record))
        {
            return;
        }
        WriteReportRecord(out, record, convert);
    }
}
