#include "environment/relocate_file.h"

#include "diagnostics/log.h"
#include "environment/known_folders.h"
#include "foundation/ansi_text.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"

#include <windows.h>

#include <initializer_list>

namespace
{
constexpr DWORD kRelocationPauseMs = 150;

bool Found(const char* path)
{
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA(path, &entry));
    return static_cast<bool>(search);
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

void RelocateLegacySettingsFiles()
{
    for (const char* name : {"ovwin.ini", "rerodedu.ini", "ovwin.var"})
    {
        RelocateFile(name);
    }
}
