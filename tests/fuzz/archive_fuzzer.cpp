// Archives are untrusted input: whatever bytes lie beside the launcher, its
// reader and its list report, and tabpack's audit, must take them without a
// fault.
#include "archive_audit.h"
#include "install/file_list_report.h"
#include "install/tab_reader.h"
#include "install/tab_time.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{
class Discard : public ReportWriter
{
  public:
    void Write(const char*) override {}
};

// An offset east of UTC by five and a half hours, so conversions cross days.
bool ShiftEast(const TabTimestamp& utc, TabTimestamp* shown)
{
    return ShiftTimestamp(utc, 19800, shown);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    ArchiveImage image;
    image.Bytes.assign(data, data + size);
    if (image.Bytes.size() < kArchiveHeaderLength)
    {
        image.Bytes.resize(kArchiveHeaderLength, 0); // as the reader's zero-filled header buffer
    }
    image.FileSize = size;

    TabHeader fields = {};
    if (CheckTabHeader(image.Bytes.data(), size, &fields) == HeaderVerdict::Sound &&
        size >= fields.HeaderSize)
    {
        std::vector<ArchiveEntry> files(fields.RecordCount);
        ReadArchiveEntries(image.Bytes.data() + kArchiveHeaderLength, fields.RecordCount, files.data());
    }

    Discard report;
    WriteReportHeading(report, kArchiveName, TabTimestamp{}, static_cast<uint32_t>(size));
    WriteListedRecords(report, data, size, ReadLittleEndian32(image.Bytes.data() + 10), ShiftEast);

    AuditArchive(image);
    return 0;
}
