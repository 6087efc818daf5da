#include "install/tab_reader_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "install/tab_reader.h"

namespace
{
// One call of OpenTABFile: the record block it reads through, and the way
// out of a refusal, which releases everything in the reader's order.
struct OpenAttempt
{
    TABHandle* tHnd;
    OwnedHeapBlock<uint8_t> block{"pRecordBlock"};

    bool Refuse(ArchiveRefusal refusal, uint32_t recordNumber = 0, const char* description = "")
    {
        LogArchiveRefusal(refusal, kArchiveName, recordNumber, description);
        CloseAndDestroyHandle(&tHnd->hnd, "tHnd->hnd");
        block.Free();
        if (tHnd->Files != nullptr)
        {
            HeapFreeHlpr(&tHnd->Files, "tHnd->Files");
            tHnd->Files = nullptr;
        }
        tHnd->FilesArraySize = 0;
        return false;
    }

    bool RefuseWithError(ArchiveRefusal refusal, DWORD error)
    {
        char description[kErrorTextCapacity];
        FormatErrorString(error, description, sizeof(description));
        return Refuse(refusal, 0, description);
    }
};
} // namespace

bool OpenTABFile(TABHandle* tHnd)
{
    OpenAttempt attempt{tHnd};
    tHnd->hnd =
        CreateFileA(kArchiveName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD openError = GetLastError();
    DebugLogAt(kLogDeveloper, "OpenTABFile: Obtained file handle: %p", tHnd->hnd);
    if (tHnd->hnd == INVALID_HANDLE_VALUE)
    {
        return attempt.RefuseWithError(ArchiveRefusal::OpenFailed, openError);
    }
    CopyToBuffer(tHnd->ArchiveName, sizeof(tHnd->ArchiveName), kArchiveName);

    // A file shorter than the header leaves zeros, which the checks refuse.
    uint8_t header[kArchiveHeaderLength] = {};
    DWORD bytesRead = 0;
    LARGE_INTEGER fileSize = {};
    if (!ReadFile(tHnd->hnd, header, sizeof(header), &bytesRead, nullptr) ||
        !GetFileSizeEx(tHnd->hnd, &fileSize))
    {
        return attempt.RefuseWithError(ArchiveRefusal::ReadFailed, GetLastError());
    }
    TabHeader fields = {};
    const HeaderVerdict verdict = CheckTabHeader(header, static_cast<uint64_t>(fileSize.QuadPart), &fields);
    tHnd->HeaderSize = fields.HeaderSize;
    tHnd->ArchiveSize = fields.ArchiveSize;
    if (verdict != HeaderVerdict::Sound)
    {
        return attempt.Refuse(RefusalOf(verdict));
    }

    if (!attempt.block.Allocate(fields.BlockLength))
    {
        return attempt.Refuse(ArchiveRefusal::BufferAllocation);
    }
    tHnd->FileCount = static_cast<uint16_t>(fields.RecordCount);
    tHnd->FilesArraySize = fields.RecordCount * static_cast<uint32_t>(sizeof(ArchiveEntry));
    DebugLogAt(kLogDeveloper, "OpenTABFile: tHnd->FileCount = %d, tHnd->FilesArraySize = %d",
               static_cast<int>(tHnd->FileCount), static_cast<int>(tHnd->FilesArraySize));
    if (!HeapAllocHlpr(&tHnd->Files, tHnd->FilesArraySize, "tHnd->Files"))
    {
        tHnd->FilesArraySize = 0;
        return attempt.Refuse(ArchiveRefusal::ArrayAllocation);
    }

    if (SetFilePointer(tHnd->hnd, static_cast<LONG>(kArchiveHeaderLength), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER ||
        !ReadFile(tHnd->hnd, attempt.block.Get(), fields.BlockLength, &bytesRead, nullptr))
    {
        return attempt.RefuseWithError(ArchiveRefusal::ReadFailed, GetLastError());
    }
    // A truncated archive would leave records of undefined contents.
    if (bytesRead != fields.BlockLength)
    {
        return attempt.RefuseWithError(ArchiveRefusal::ReadFailed, ERROR_HANDLE_EOF);
    }

    DebugLog("OpenTABFile: Reading %d file records from archive...", static_cast<int>(tHnd->FileCount));
    const EntryWalk walk = ReadArchiveEntries(attempt.block.Get(), fields.RecordCount, tHnd->Files);
    if (walk.refusal != ArchiveRefusal::None)
    {
        return attempt.Refuse(walk.refusal, walk.recordNumber);
    }

    attempt.block.Free();
    DebugLog("OpenTABFile: Opened archive \"%s\" (%p) successfully.", tHnd->ArchiveName, tHnd->hnd);
    return true;
}

void CloseTABFile(TABHandle* tHnd)
{
    if (tHnd->Files != nullptr)
    {
        tHnd->FilesArraySize = 0;
        HeapFreeHlpr(&tHnd->Files, "tHnd->Files");
        tHnd->Files = nullptr;
    }
    DebugLog("CloseTABFile: Closed archive \"%s\" (%p).", tHnd->ArchiveName, tHnd->hnd);
    CloseAndDestroyHandle(&tHnd->hnd, "tHnd->hnd");
}
