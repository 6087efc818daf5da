#include "environment/file_system.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "diagnostics/text_limits.h"
#include "launcher/app_lifetime.h"
#include "sysinfo/system_info.h"

#include <windows.h>

namespace
{
// Enabled at start; disabled between the two calls under WOW64; exempt,
// for good, in a process that does not run under WOW64.
bool exempt = false;
bool redirectionDisabled = false;
PVOID savedToken = nullptr;
} // namespace

bool DisableFSCompatibility()
{
    if (exempt)
    {
        return true;
    }
    if (redirectionDisabled)
    {
        DebugLogAt(
            kLogDeveloper,
            "DisableFSCompatibility: WOW64 file system emulation compatibility redirection already disabled "
            "(Token %p).",
            savedToken);
        return true;
    }
    if (SystemInfoObject.IsWow64Eligible)
    {
        if (Wow64DisableWow64FsRedirection(&savedToken))
        {
            DebugLogAt(kLogDeveloper,
                       "DisableFSCompatibility: Disabled WOW64 file system emulation compatibility "
                       "redirection (Token "
                       "%p).",
                       savedToken);
            redirectionDisabled = true;
            return true;
        }
        const DWORD error = GetLastError();
        char description[kErrorTextCapacity];
        FormatErrorString(error, description, sizeof(description));
        ErrorLog("DisableFSCompatibility failed: Failed to disable WOW64 FS redirection; %s", description);
        return false;
    }
    DebugLogText(
        "DisableFSCompatibility: This process is exempt from compatibility redirection. (This notice will "
        "not be repeated)");
    exempt = true;
    return true;
}

bool EnableFSCompatibility()
{
    if (exempt)
    {
        return true;
    }
    if (!redirectionDisabled)
    {
        DeveloperLogText(
            "EnableFSCompatibility: WOW64 file system emulation compatibility redirection already enabled.");
        return true;
    }
    DebugLogAt(
        kLogDeveloper,
        "EnableFSCompatibility: Enabling WOW64 file system emulation compatibility redirection (Token %p).",
        savedToken);
    if (Wow64RevertWow64FsRedirection(savedToken))
    {
        redirectionDisabled = false;
        return true;
    }
    const DWORD error = GetLastError();
    char description[kErrorTextCapacity];
    FormatErrorString(error, description, sizeof(description));
    ErrorLog(
        "EnableFSCompatibility failed: *CRITICAL* Failed to re-enable WOW64 file system emulation "
        "compatibility "
        "redirection for this process. Process integrity may be compromised and application must close; %s",
        description);
    AbortApp();
}
