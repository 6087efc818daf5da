#include "install/cache_files.h"

#include "diagnostics/format_buffer.h"
#include "diagnostics/log.h"
#include "diagnostics/text_limits.h"
#include "environment/known_folders.h"
#include "launcher/ansi_text.h"

#include <windows.h>

namespace
{
constexpr DWORD kRelocationPauseMs = 150;

bool Found(const char* path)
{
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE)
    {
        return false;
    }
    FindClose(search);
    return true;
}
} // namespace

void RelocateFile(const char* fileName)
{
    // Both folders end with a backslash already; the doubled one is accepted.
    char source[kPathCapacity];
    char destination[kPathCapacity];
    FormatToBuffer(source, sizeof(source), "%s\\%s", KnownFoldersList.WinDir, fileName);
    FormatToBuffer(destination, sizeof(destination), "%s\\%s", KnownFoldersList.TCacheParentDir, fileName);
    if (!Found(destination) && Found(source) && !CopyFileA(source, destination, FALSE))
    {
        AnsiToUpper(destination, sizeof(destination));
        ErrorLog("File Relocation: Failed to copy %s\n", destination);
    }
    Sleep(kRelocationPauseMs);
}
