#include "install/install_file_name_win.h"

#include "diagnostics/log.h"
#include "install/install_file_name.h"

#include <windows.h>

bool InstallFileName(const char* source, const char* destination)
{
    DebugLog("InstallFileName: Copying \"%s\" to \"%s\"", source, destination);
    const bool existedBefore = GetFileAttributesA(destination) != INVALID_FILE_ATTRIBUTES;
    if (CopyFileA(source, destination, FALSE))
    {
        return true;
    }
    const DWORD copyError = GetLastError();
    ErrorLog("InstallFileName: Failed to copy \"%s\" to \"%s\"", source, destination);
    if (RemoveAfterFailedCopy(existedBefore, copyError))
    {
        DeleteFileA(destination);
    }
    return false;
}
