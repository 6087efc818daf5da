// The open package archive: OpenTABFile checks "verozar0.dll" in the current
// folder and reads its file records into a table of entries; the archive
// stays open, unshared, until CloseTABFile.
#pragma once

#include "diagnostics/text_limits.h"
#include "install/tab_format.h"

#include <windows.h>

#include <cstdint>

// The caller owns it and zero-fills it before opening. The launcher's
// messages call it tHnd.
struct TABHandle
{
    HANDLE hnd; // INVALID_HANDLE_VALUE when not open
    char ArchiveName[kPathCapacity];
    uint32_t HeaderSize;
    uint32_t ArchiveSize;
    uint16_t FileCount;      // used and unused records
    uint32_t FilesArraySize; // FileCount x 88
    ArchiveEntry* Files;
};

// True when the archive is open and Files is filled; false with hnd closed,
// nothing left allocated and the reason in the error log.
[[nodiscard]] bool OpenTABFile(TABHandle* tHnd);
void CloseTABFile(TABHandle* tHnd);
