// Archive images for tests, made with the launcher's own encoders: a header
// whose sizes match its records unless a test says otherwise, records
// written one by one, and raw access for what no encoder would write; and
// time stamps as text, for comparing them whole.
#pragma once

#include "foundation/format_buffer.h"
#include "install/install_codes.h"
#include "install/tab_format.h"

#include <cstdio>
#include <string>
#include <vector>

// "YYYY-MM-DD(day of week) HH:MM:SS.mmm", every field as stored.
inline std::string StampText(const TabTimestamp& t)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d(%d) %02d:%02d:%02d.%03d", t.Year, t.Month, t.Day,
                  t.DayOfWeek, t.Hour, t.Minute, t.Second, t.Milliseconds);
    return text;
}

// 14 July 2023, 09:30:00 UTC, a Friday.
constexpr TabTimestamp kJulyMorning = {2023, 7, 14, 5, 9, 30, 0, 0};

class ArchiveBytes
{
  public:
    explicit ArchiveBytes(uint32_t records) : bytes(kArchiveHeaderLength + kFileRecordLength * records)
    {
        EncodeTabHeader(bytes.data(), static_cast<uint32_t>(bytes.size()),
                        static_cast<uint32_t>(bytes.size()));
    }

    ArchiveBytes& Record(uint32_t index, const char* name, const char* destination = "CUR", uint32_t size = 0,
                         uint32_t installType = INSTALL_NEWER, TabTimestamp stamp = kJulyMorning)
    {
        ArchiveEntry entry = {};
        CopyToBuffer(entry.FileName, sizeof(entry.FileName), name);
        CopyToBuffer(entry.Destination, sizeof(entry.Destination), destination);
        entry.DataOffset = static_cast<uint32_t>(bytes.size());
        entry.Size = size;
        entry.Timestamp = stamp;
        entry.InstallType = installType;
        EncodeFileRecord(entry, RecordAt(index));
        return *this;
    }

    // Appends contents and keeps ArchiveSize equal to the length.
    ArchiveBytes& Append(const std::string& contents)
    {
        bytes.insert(bytes.end(), contents.begin(), contents.end());
        return ArchiveSize(static_cast<uint32_t>(bytes.size()));
    }

    ArchiveBytes& HeaderSize(uint32_t value)
    {
        WriteLittleEndian32(bytes.data() + 10, value);
        return *this;
    }

    ArchiveBytes& ArchiveSize(uint32_t value)
    {
        WriteLittleEndian32(bytes.data() + 14, value);
        return *this;
    }

    uint8_t* RecordAt(uint32_t index)
    {
        return bytes.data() + kArchiveHeaderLength + kFileRecordLength * index;
    }

    std::vector<uint8_t> bytes;
};
