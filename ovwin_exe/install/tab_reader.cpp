#include "install/tab_reader.h"

#include "diagnostics/log.h"
#include "foundation/ansi_text.h"

ArchiveRefusal RefusalOf(HeaderVerdict verdict)
{
    switch (verdict)
    {
        case HeaderVerdict::Sound:
            return ArchiveRefusal::None;
        case HeaderVerdict::WrongMagic:
            return ArchiveRefusal::WrongMagic;
        case HeaderVerdict::TooLarge:
            return ArchiveRefusal::TooLarge;
        case HeaderVerdict::SizeMismatch:
            return ArchiveRefusal::SizeMismatch;
        case HeaderVerdict::HeaderTooSmall:
            return ArchiveRefusal::HeaderTooSmall;
        case HeaderVerdict::NoWholeRecord:
            return ArchiveRefusal::NoWholeRecord;
        case HeaderVerdict::NoRecords:
            return ArchiveRefusal::NoRecords;
        case HeaderVerdict::TooManyRecords:
            return ArchiveRefusal::TooManyRecords;
        case HeaderVerdict::ArrayArithmetic:
            return ArchiveRefusal::ArrayArithmetic;
    }
    return ArchiveRefusal::WrongMagic;
}

void LogArchiveRefusal(ArchiveRefusal refusal, const char* archiveName, uint32_t recordNumber,
                       const char* description)
{
    const int record = static_cast<int>(recordNumber);
    switch (refusal)
    {
        case ArchiveRefusal::None:
            break;
        case ArchiveRefusal::OpenFailed:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; %s", archiveName, description);
            break;
        case ArchiveRefusal::ReadFailed:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; could not read header; %s", archiveName,
                     description);
            break;
        case ArchiveRefusal::WrongMagic:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; it has an incorrect file format and may be "
                     "corrupt.",
                     archiveName);
            break;
        case ArchiveRefusal::SizeMismatch:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; it has an incorrect file size and may be "
                     "corrupt.",
                     archiveName);
            break;
        case ArchiveRefusal::TooLarge:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; it is 2 GiB or larger and may be corrupt.",
                     archiveName);
            break;
        case ArchiveRefusal::HeaderTooSmall:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; it has an incorrect header size and may be "
                     "corrupt.",
                     archiveName);
            break;
        case ArchiveRefusal::NoWholeRecord:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; it has an incorrect file record block size "
                     "and may be empty or corrupt.",
                     archiveName);
            break;
        case ArchiveRefusal::NoRecords:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; unexpected file count arithmetic result.",
                     archiveName);
            break;
        case ArchiveRefusal::TooManyRecords:
            ErrorLog(
                "OpenTABFile: Failed to open archive \"%s\"; it has more than 65535 file records and may "
                "be corrupt.",
                archiveName);
            break;
        case ArchiveRefusal::BufferAllocation:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; out of memory during buffer allocation.",
                     archiveName);
            break;
        case ArchiveRefusal::ArrayArithmetic:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; unexpected header result arithmetic.",
                     archiveName);
            break;
        case ArchiveRefusal::ArrayAllocation:
            ErrorLog(
                "OpenTABFile: Failed to open archive \"%s\"; out of memory during file array allocation.",
                archiveName);
            break;
        case ArchiveRefusal::NameUnterminated:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; file record %d has a file name without a "
                     "terminating NUL and may be corrupt.",
                     archiveName, record);
            break;
        case ArchiveRefusal::NameNotBare:
            ErrorLog(
                "OpenTABFile: Failed to open archive \"%s\"; file record %d has a file name that is not a "
                "bare file name and may be corrupt.",
                archiveName, record);
            break;
        case ArchiveRefusal::DestinationUnterminated:
            ErrorLog("OpenTABFile: Failed to open archive \"%s\"; file record %d has a destination without a "
                     "terminating NUL and may be corrupt.",
                     archiveName, record);
            break;
    }
}

namespace
{
ArchiveRefusal RefusalOf(RecordVerdict verdict)
{
    switch (verdict)
    {
        case RecordVerdict::NameUnterminated:
            return ArchiveRefusal::NameUnterminated;
        case RecordVerdict::NameNotBare:
            return ArchiveRefusal::NameNotBare;
        case RecordVerdict::DestinationUnterminated:
            return ArchiveRefusal::DestinationUnterminated;
        case RecordVerdict::Used:
        case RecordVerdict::Unused:
            break;
    }
    return ArchiveRefusal::None;
}
} // namespace

EntryWalk ReadArchiveEntries(const uint8_t* block, uint32_t count, ArchiveEntry* files)
{
    uint32_t runStart = 0; // number of the first unused record of an open run, 0 when none is open
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint32_t number = i + 1;
        // Names are read as the workstation reads them: on a double-byte code
        // page a 0x5C byte may be the second half of a character.
        const RecordVerdict verdict =
            DecodeFileRecord(block + i * kFileRecordLength, &files[i], AnsiIsLeadByte);
        if (verdict == RecordVerdict::Unused)
        {
            runStart = runStart != 0 ? runStart : number;
            continue;
        }
        if (verdict != RecordVerdict::Used)
        {
            return {RefusalOf(verdict), number};
        }
        if (runStart != 0)
        {
            DebugLogAt(kLogDeveloper, "OpenTABFile: File records %d - %d are unused.",
                       static_cast<int>(runStart), static_cast<int>(number - 1));
            runStart = 0;
        }
        DebugLogAt(kLogDeveloper, "OpenTABFile: File record %d: FileName=%s Destination=%s Size=%d",
                   static_cast<int>(number), files[i].FileName, files[i].Destination,
                   static_cast<int>(files[i].Size));
    }
    if (runStart != 0)
    {
        DebugLog("OpenTABFile: File records %d - %d are unused.", static_cast<int>(runStart),
                 static_cast<int>(count));
    }
    return {ArchiveRefusal::None, 0};
}
