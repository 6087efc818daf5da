#include "launcher/process_launch.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/program_start_failures.h"
#include "foundation/text_limits.h"
#include "foundation/win32_owners_win.h"
#include "launcher/launcher_identity.h"
#include "sysinfo/system_info.h"

#include <windows.h>

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
