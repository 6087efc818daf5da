#include "install/tab_reader_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/heap_helpers_win.h"
#include "diagnostics/log.h"
#include "install/tab_reader.h"

#include <cstring>

namespace
{
// One call of OpenTABFile: the archive being opened, the record block it
// reads through, and the way out of a refusal, which releases everything in
// the reader's order.
struct OpenAttempt
{
    TABHandle tHnd;
    LoggedHeapBlock<uint8_t> block{"pRecordBlock"};

    std::optional<TABHandle> Refuse(ArchiveRefusal refusal, uint32_t recordNumber = 0,
                                    const char* description = "")
    {
        LogArchiveRefusal(refusal, kArchiveName, recordNumber, description);
        tHnd.hnd.Reset();
        block.Reset();
        tHnd.HeaderAndRecords.Reset();
        tHnd.Files.Reset();
        tHnd.FilesArraySize = 0;
        return std::nullopt;
    }

    std::optional<TABHandle> RefuseWithError(ArchiveRefusal refusal, DWORD error)
    {
        char description[kErrorTextCapacity];
        FormatErrorString(error, description, sizeof(description));
        return Refuse(refusal, 0, description);
    }
};
} // namespace

std::optional<TABHandle> OpenTABFile(HeaderBytes headerBytes)
{
    OpenAttempt attempt;
    TABHandle& tHnd = attempt.tHnd;
    *tHnd.hnd.Receive() =
        CreateFileA(kArchiveName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD openError = GetLastError();
    DebugLogAt(kLogDeveloper, "OpenTABFile: Obtained file handle: %p", tHnd.hnd.Get());
    if (!tHnd.hnd)
    {
        return attempt.RefuseWithError(ArchiveRefusal::OpenFailed, openError);
    }
    CopyToBuffer(tHnd.ArchiveName, sizeof(tHnd.ArchiveName), kArchiveName);

    // A file shorter than the header leaves zeros, which the checks refuse.
    uint8_t header[kArchiveHeaderLength] = {};
    DWORD bytesRead = 0;
    LARGE_INTEGER fileSize = {};
    if (!ReadFile(tHnd.hnd.Get(), header, sizeof(header), &bytesRead, nullptr) ||
        !GetFileSizeEx(tHnd.hnd.Get(), &fileSize))
    {
        return attempt.RefuseWithError(ArchiveRefusal::ReadFailed, GetLastError());
    }
    TabHeader fields = {};
    const HeaderVerdict verdict = CheckTabHeader(header, static_cast<uint64_t>(fileSize.QuadPart), &fields);
    tHnd.HeaderSize = fields.HeaderSize;
    tHnd.ArchiveSize = fields.ArchiveSize;
    if (verdict != HeaderVerdict::Sound)
    {
        return attempt.Refuse(RefusalOf(verdict));
    }

    // Kept, the record block follows a copy of the header in one block, the
    // bytes a signature covers; released, it is read alone as it always was.
    const uint32_t keptHeader = headerBytes == HeaderBytes::Keep ? kArchiveHeaderLength : 0;
    LoggedHeapBlock<uint8_t>& bytes = keptHeader != 0 ? tHnd.HeaderAndRecords : attempt.block;
    if (!AllocateLogged(bytes, static_cast<uint64_t>(keptHeader) + fields.BlockLength))
    {
        return attempt.Refuse(ArchiveRefusal::BufferAllocation);
    }
    std::memcpy(bytes.Get(), header, keptHeader);
    tHnd.FileCount = static_cast<uint16_t>(fields.RecordCount);
    tHnd.FilesArraySize = fields.RecordCount * static_cast<uint32_t>(sizeof(ArchiveEntry));
    DebugLogAt(kLogDeveloper, "OpenTABFile: tHnd->FileCount = %d, tHnd->FilesArraySize = %d",
               static_cast<int>(tHnd.FileCount), static_cast<int>(tHnd.FilesArraySize));
    if (!AllocateLogged(tHnd.Files, tHnd.FilesArraySize))
    {
        tHnd.FilesArraySize = 0;
        return attempt.Refuse(ArchiveRefusal::ArrayAllocation);
    }

    if (SetFilePointer(tHnd.hnd.Get(), static_cast<LONG>(kArchiveHeaderLength), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER ||
        !ReadFile(tHnd.hnd.Get(), bytes.Get() + keptHeader, fields.BlockLength, &bytesRead, nullptr))
    {
        return attempt.RefuseWithError(ArchiveRefusal::ReadFailed, GetLastError());
    }
    // A truncated archive would leave records of undefined contents.
    if (bytesRead != fields.BlockLength)
    {
        return attempt.RefuseWithError(ArchiveRefusal::ReadFailed, ERROR_HANDLE_EOF);
    }

    DebugLog("OpenTABFile: Reading %d file records from archive...", static_cast<int>(tHnd.FileCount));
    const EntryWalk walk = ReadArchiveEntries(bytes.Get() + keptHeader, fields.RecordCount, tHnd.Files.Get());
    if (walk.refusal != ArchiveRefusal::None)
    {
        return attempt.Refuse(walk.refusal, walk.recordNumber);
    }

    attempt.block.Reset();
    DebugLog("OpenTABFile: Opened archive \"%s\" (%p) successfully.", tHnd.ArchiveName, tHnd.hnd.Get());
    return std::move(tHnd);
}

void CloseTABFile(TABHandle& tHnd)
{
    if (tHnd.Files)
    {
        tHnd.FilesArraySize = 0;
        tHnd.Files.Reset();
    }
    tHnd.HeaderAndRecords.Reset();
    DebugLog("CloseTABFile: Closed archive \"%s\" (%p).", tHnd.ArchiveName, tHnd.hnd.Get());
    tHnd.hnd.Reset();
}
