#include "install/file_list_report_win.h"

#include "diagnostics/heap_helpers_win.h"
#include "install/file_list_report.h"
#include "install/local_time_win.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr DWORD kProbeLength = 15;
constexpr LONG kHeaderSizeOffset = 10;

void Say(const char* message)
{
    std::fputs(message, stdout);
}

bool ReadAt(HANDLE file, LONG offset, void* buffer, DWORD length, DWORD* bytesRead)
{
    return SetFilePointer(file, offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           ReadFile(file, buffer, length, bytesRead, nullptr);
}
} // namespace

void CreateFileListReport()
{
    LoggedHandle input("Input");
    *input.Receive() =
        CreateFileA(kArchiveName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!input)
    {
        Say("Failed to open input file.\a\n");
        return;
    }

    uint8_t probe[kProbeLength] = {};
    DWORD bytesRead = 0;
    if (!ReadFile(input.Get(), probe, kProbeLength, &bytesRead, nullptr))
    {
        Say("Incorrect/corrupted file\a\n");
        return;
    }
    if (std::memcmp(probe, kArchiveMagic, kArchiveMagicLength) != 0)
    {
        Say("Incorrect file header\a\n");
        return;
    }
    uint8_t sizeField[4] = {};
    if (!ReadAt(input.Get(), kHeaderSizeOffset, sizeField, sizeof(sizeField), &bytesRead) ||
        bytesRead != sizeof(sizeField))
    {
        Say("Incorrect file header size\a\n");
        return;
    }
    const uint32_t headerSize = ReadLittleEndian32(sizeField);

    // Only the listed records are ever needed, however large HeaderSize is.
    const DWORD imageLength = headerSize < kListedImageLength ? headerSize : kListedImageLength;
    LoggedHeapBlock<uint8_t> image("Buffer");
    if (!AllocateLogged(image, imageLength))
    {
        return;
    }
    DWORD imageRead = 0;
    if (!ReadAt(input.Get(), 0, image.Get(), imageLength, &imageRead))
    {
        Say("Failed to read header.\a\n");
        return;
    }

    FILETIME lastWrite = {};
    TabTimestamp archiveTime = {};
    GetFileTime(input.Get(), nullptr, nullptr, &lastWrite);
    const DWORD archiveSize = GetFileSize(input.Get(), nullptr);
    input.Reset();
    if (!FileTimeToLocalStamp(lastWrite, &archiveTime))
    {
        archiveTime = TabTimestamp{};
    }

    std::FILE* report = std::fopen(kFileListReportName, "w");
    if (report == nullptr)
    {
        Say("Failed to open output file.\a\n");
        return;
    }
    StreamReportWriter writer(report);
    WriteReportHeading(writer, kArchiveName, archiveTime, archiveSize);
    WriteListedRecords(writer, image.Get(), imageRead, headerSize, UtcToLocalTime);
    std::fclose(report);
}
