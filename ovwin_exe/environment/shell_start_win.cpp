#include "environment/shell_start_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/program_start_failures.h"
#include "foundation/win32_owners_win.h"
#include "sysinfo/system_info.h"

#include <shellapi.h>

namespace
{
constexpr DWORD kShellWaitMs = 300000; // five minutes
constexpr DWORD kCancelledByUser = 1223;
// The shell is given no working folder; the log shows that as C prints a
// null text.
constexpr const char* kNoFolderText = "(null)";

} // namespace

int32_t ExecuteAppEx(HWND owner, const char* file, const char* parameters, bool wait, bool hide)
{
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.hwnd = owner;
    execute.lpFile = file;
    execute.lpParameters = parameters;
    execute.nShow = hide ? SW_HIDE : SW_SHOWNORMAL;

    EnsureOsNamed();
    if (SystemInfoObject.IsWin7OrGreater)
    {
        execute.lpVerb = "runas";
        DebugLog("Added \"runas\" verb.");
    }
    DebugLog("ExecuteAppEx: Calling into ShellExecuteEx to spawn process.");
    DebugLog("ExecuteAppEx:    -> (%s) %s %s", kNoFolderText, file, parameters);

    if (!ShellExecuteExA(&execute))
    {
        const DWORD error = ShellStartError(GetLastError(), reinterpret_cast<intptr_t>(execute.hInstApp));
        if (error == kCancelledByUser)
        {
            DebugLog("ExecuteApp: ERROR: The system has refused elevation.");
        }
        else
        {
            ErrorLogWin32(error, "%s", ExecuteAppFailureMessage(error));
        }
        return -1;
    }
    const KernelHandle process(execute.hProcess);

    if (wait && process)
    {
        switch (WaitForSingleObject(process.Get(), kShellWaitMs))
        {
            case WAIT_OBJECT_0:
                DebugLog("ExecuteApp: WaitForSingleObject has returned OK.");
                break;
            case WAIT_ABANDONED:
                DebugLog("ExecuteApp: WaitForSingleObject has returned ABANDONED.");
                return -1;
            case WAIT_TIMEOUT:
                DebugLog("ExecuteApp: WaitForSingleObject has returned due to timeout.");
                return 0;
            case WAIT_FAILED:
                ErrorLogText("ExecuteApp: ERROR: WaitForSingleObject has FAILED.");
                return -1;
            default:
                ErrorLogText("ExecuteApp: ERROR: WaitForSingleObject has an unknown failure.");
                return -1;
        }
    }
    DWORD exitCode = 0;
    if (process && GetExitCodeProcess(process.Get(), &exitCode))
    {
        return static_cast<int32_t>(exitCode);
    }
    return 0;
}
