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
};

// The open archive with its entry table filled; nothing when it was refused
// (the reason is in the error log, the file closed and nothing left
// allocated).
[[nodiscard]] std::optional<TABHandle> OpenTABFile();
void CloseTABFile(TABHandle& tHnd);
