// The open package archive: OpenTABFile checks "verozar0.dll" in the current
// folder and reads its file records into a table of entries; the archive
// stays open, unshared, until CloseTABFile.
#pragma once

#include "diagnostics/heap_helpers_win.h"
#include "foundation/text_limits.h"
#include "install/tab_format.h"

#include <windows.h>

#include <cstdint>
#include <optional>

// The open archive; the launcher's messages call it tHnd. It owns the file
// and the entry table, and gives both back with their log lines however it
// ends.
struct TABHandle
{
    LoggedHandle hnd{"tHnd->hnd"}; // INVALID_HANDLE_VALUE when not open
    char ArchiveName[kPathCapacity] = "";
    uint32_t HeaderSize = 0;
    uint32_t ArchiveSize = 0;
    uint16_t FileCount = 0;      // used and unused records
    uint32_t FilesArraySize = 0; // FileCount x 88
    LoggedHeapBlock<ArchiveEntry> Files{"tHnd->Files"};
    // The first HeaderSize bytes of the file (header and record block) as
    // they were read; held only when the opener asked to keep them.
    LoggedHeapBlock<uint8_t> HeaderAndRecords{"tHnd->HeaderAndRecords"};
};

// Whether the open archive keeps its header and record block: a signature
// check hashes them without reading the share again. Released, the reader
// frees them as soon as the records are decoded.
enum class HeaderBytes
{
    Release,
    Keep,
};

// The open archive with its entry table filled; nothing when it was refused
// (the reason is in the error log, the file closed and nothing left
// allocated).
[[nodiscard]] std::optional<TABHandle> OpenTABFile(HeaderBytes headerBytes);
void CloseTABFile(TABHandle& tHnd);
