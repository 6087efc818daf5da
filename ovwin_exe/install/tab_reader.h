// The reader's decisions and lines that need no file: what each refusal
// says, and the walk over the record block that fills the entry table.
#pragma once

#include "install/tab_format.h"

#include <cstdint>

// Every way OpenTABFile refuses an archive, each with its error line.
enum class ArchiveRefusal
{
    None,
    OpenFailed,
    ReadFailed,
    WrongMagic,
    SizeMismatch,
    TooLarge,
    HeaderTooSmall,
    NoWholeRecord,
    NoRecords,
    TooManyRecords,
    BufferAllocation,
    ArrayArithmetic,
    ArrayAllocation,
    NameUnterminated,
    NameNotBare,
    DestinationUnterminated,
};

ArchiveRefusal RefusalOf(HeaderVerdict verdict);

// Writes the refusal's error line. recordNumber (from 1) is used by the
// refusals of a single record, description by those of a failed call.
void LogArchiveRefusal(ArchiveRefusal refusal, const char* archiveName, uint32_t recordNumber,
                       const char* description);

struct EntryWalk
{
    ArchiveRefusal refusal;
    uint32_t recordNumber; // of the refused record, from 1
};

// Decodes count records of the block into files, writing the record lines
// and the runs of unused records, and stops at the first record the
// launcher refuses.
EntryWalk ReadArchiveEntries(const uint8_t* block, uint32_t count, ArchiveEntry* files);
