#include "environment/fs_redirection.h"

#include "diagnostics/error_description.h"
#include "diagnostics/fatal_failure.h"
#include "sysinfo/system_info.h"

#include <windows.h>

namespace
{
bool SwitchOff(void** savedToken, uint32_t* error)
{
    if (Wow64DisableWow64FsRedirection(savedToken))
    {
        return true;
    }
    *error = GetLastError();
    return false;
}

bool SwitchOn(void* savedToken, uint32_t* error)
{
    if (Wow64RevertWow64FsRedirection(savedToken))
    {
        return true;
    }
    *error = GetLastError();
    return false;
}

void Describe(uint32_t code, char* destination, std::size_t capacity)
{
    FormatErrorString(code, destination, capacity);
}

const RedirectionCalls kSystemRedirection = {SwitchOff, SwitchOn, Describe};
} // namespace

bool DisableFSCompatibility()
{
    return DisableRedirection(FsRedirection, SystemInfoObject.IsWow64Eligible, kSystemRedirection);
}

bool EnableFSCompatibility()
{
    if (!EnableRedirection(FsRedirection, kSystemRedirection))
    {
        ReportFatalFailure();
    }
    return true;
}
