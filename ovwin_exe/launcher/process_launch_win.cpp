#include "launcher/process_launch_win.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"
#include "launcher/launcher_identity.h"
#include "sysinfo/system_info.h"

#include <shellapi.h>

#include <string>
#include <vector>

int32_t ExecuteProcessEx(const char* applicationPath, const char* commandLine)
{
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;

    if (!SystemInfoObject.OsNamed)
    {
        LoadSystemInfoObject();
    }
    DebugLog("ExecuteProcessEx: Calling into CreateProcess to execute new process.");
    DebugLog("ExecuteProcessEx:    -> (%s) %s %s", WorkingFolder, applicationPath, commandLine);

    // CreateProcessA may write into the command line it is given.
    std::vector<char> writableCommandLine(commandLine,
                                          commandLine + std::char_traits<char>::length(commandLine) + 1);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(applicationPath, writableCommandLine.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, WorkingFolder, &startup,
                        &process))
    {
        const DWORD error = GetLastError();
        if (const char* message = ExecuteProcessFailureMessage(error))
        {
            ErrorLogWin32(error, "%s", message);
        }
        char description[kErrorTextCapacity];
        FormatErrorString(error, description, sizeof(description));
        DebugLog("ExecuteProcessEx: Failed to CreateProcess: \"%s\" %s; %s", applicationPath, commandLine,
                 description);
        return -1;
    }
    // Not waited for: its handles are given back at once.
    const KernelHandle started(process.hProcess);
    const KernelHandle startedThread(process.hThread);
    DebugLog("ExecuteProcessEx:    -> Success");
    return 0;
}

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

    if (!SystemInfoObject.OsNamed)
    {
        LoadSystemInfoObject();
    }
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
