// The text of the list mode's report "filelist.txt": the archive's own date,
// time and size, then one line per packaged file. tabpack prints the same
// columns.
#pragma once

#include "install/tab_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr const char* kFileListReportName = "filelist.txt";
// The report lists at most this many records, so it never reads more of
// the archive than their block.
constexpr uint32_t kListedRecordLimit = 198;
constexpr uint32_t kListedImageLength = kArchiveHeaderLength + kListedRecordLimit * kFileRecordLength;

// Where the report's text goes, a line or part of one at a time.
class ReportWriter
{
  public:
    virtual void Write(const char* text) = 0;

  protected:
    ~ReportWriter() = default;
};

// Writes to a stdio stream: the report file, or standard output.
class StreamReportWriter : public ReportWriter
{
  public:
    explicit StreamReportWriter(std::FILE* stream) : stream_(stream) {}
    void Write(const char* text) override { std::fputs(text, stream_); }

  private:
    std::FILE* stream_;
};

// Turns a record's UTC time into the time the report shows; false when the
// time cannot be converted.
using TimeConversion = bool (*)(const TabTimestamp& utc, TabTimestamp* shown);

// Two empty lines, the archive line and an empty line, the column heads and
// the rule. The time is shown as given.
void WriteReportHeading(ReportWriter& out, const char* archiveName, const TabTimestamp& shown,
                        uint32_t archiveSize);

// One record's line, its texts as they stand in the 100-byte record (a name
// that fills its field is shown whole). A time that cannot be converted
// shows as zeros.
void WriteReportRecord(ReportWriter& out, const uint8_t* record, TimeConversion convert);

// The record lines of the launcher's report from the archive's first bytes
// (header and record block as far as they were read): in archive order, at
// most 198, at most the records HeaderSize provides and were read whole, and
// none from the first unused record on. A record the installation would
// refuse is listed all the same: the report shows what the archive holds.
void WriteListedRecords(ReportWriter& out, const uint8_t* image, std::size_t imageLength, uint32_t headerSize,
                        TimeConversion convert);
