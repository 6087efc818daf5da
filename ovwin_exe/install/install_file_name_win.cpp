#include "install/install_file_name_win.h"

#include "diagnostics/log.h"

#include <windows.h>

bool InstallFileName(const char* source, const char* destination)
{
    DebugLog("InstallFileName: Copying \"%s\" to \"%s\"", source, destination);
    if (CopyFileA(source, destination, FALSE))
    {
        return true;
    }
    ErrorLog("InstallFileName: Failed to copy \"%s\" to \"%s\"", source, destination);
    return false;
}
