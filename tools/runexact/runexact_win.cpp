// runexact: starts a program with an exact command-line text.
//
// `wine prog.exe args...` rebuilds the command line from an argv and quotes
// it its own way, and a Unix exit status keeps only 8 bits of an exit code.
// Tests need both exactly, so they start this console program instead:
//
//   RUNEXACT_CMDLINE  the whole command line, program path included, passed
//                     to CreateProcessA unchanged (required)
//   RUNEXACT_CWD      current folder of the new process (optional)
//   RUNEXACT_STATUS   file that receives the full 32-bit exit code in
//                     decimal when the program has ended (optional)
//   RUNEXACT_LIMITED  "1": start the program the way Windows starts it for an
//                     administrator under UAC who has not elevated: with
//                     the limited token linked to ours, its Administrators
//                     group turned deny-only (Wine hands every process a
//                     full, elevated administrator token) (optional)
//
// The child inherits this program's standard handles, so a test reads what
// even a GUI program prints to standard output. runexact's own exit status
// is the child's exit code (truncated by the host), or 255 when the child
// could not be started.
#include "foundation/win32_owners_win.h"

#include <windows.h>

#include <stdio.h>

namespace
{
constexpr DWORD kVariableCapacity = 32768;

bool ReadVariable(const char* name, char* buffer, DWORD capacity)
{
    DWORD length = GetEnvironmentVariableA(name, buffer, capacity);
    return length > 0 && length < capacity;
}

// A primary token of the non-elevated administrator; empty (with the reason
// on standard error) when it cannot be made.
KernelHandle CreateLimitedToken()
{
    KernelHandle own;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, own.Receive()))
    {
        fprintf(stderr, "runexact: OpenProcessToken failed with error %lu\n", GetLastError());
        return KernelHandle();
    }
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (!GetTokenInformation(own.Get(), TokenLinkedToken, &linked, sizeof(linked), &size))
    {
        fprintf(stderr, "runexact: TokenLinkedToken failed with error %lu\n", GetLastError());
        return KernelHandle();
    }
    const KernelHandle limited(linked.LinkedToken);

    BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof(administrators);
    KernelHandle restricted;
    KernelHandle primary;
    SID_AND_ATTRIBUTES denyOnly = {administrators, 0};
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) ||
        !CreateRestrictedToken(limited.Get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr,
                               restricted.Receive()) ||
        !DuplicateTokenEx(restricted.Get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                          primary.Receive()))
    {
        fprintf(stderr, "runexact: building the limited token failed with error %lu\n", GetLastError());
        return KernelHandle();
    }
    return primary;
}

void WriteStatus(const char* path, DWORD exitCode)
{
    FILE* file = fopen(path, "w");
    if (file == nullptr)
    {
        fprintf(stderr, "runexact: cannot write status file %s\n", path);
        return;
    }
    fprintf(file, "%lu\n", static_cast<unsigned long>(exitCode));
    fclose(file);
}
} // namespace

int main()
{
    static char commandLine[kVariableCapacity];
    static char folder[MAX_PATH];
    static char statusPath[MAX_PATH];

    if (!ReadVariable("RUNEXACT_CMDLINE", commandLine, kVariableCapacity))
    {
        fprintf(stderr, "runexact: RUNEXACT_CMDLINE is not set\n");
        return 255;
    }
    bool hasFolder = ReadVariable("RUNEXACT_CWD", folder, MAX_PATH);
    bool hasStatus = ReadVariable("RUNEXACT_STATUS", statusPath, MAX_PATH);
    char limited[2] = "";
    KernelHandle limitedToken;
    if (ReadVariable("RUNEXACT_LIMITED", limited, sizeof(limited)) && limited[0] == '1')
    {
        limitedToken = CreateLimitedToken();
        if (!limitedToken)
        {
            return 255;
        }
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);

    PROCESS_INFORMATION process = {};
    const BOOL started =
        limitedToken ? CreateProcessAsUserA(limitedToken.Get(), nullptr, commandLine, nullptr, nullptr, TRUE,
                                            0, nullptr, hasFolder ? folder : nullptr, &startup, &process)
                     : CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr,
                                      hasFolder ? folder : nullptr, &startup, &process);
    limitedToken.Reset();
    if (!started)
    {
        fprintf(stderr, "runexact: CreateProcess failed with error %lu\n", GetLastError());
        return 255;
    }
    const KernelHandle child(process.hProcess);
    const KernelHandle childThread(process.hThread);
    WaitForSingleObject(child.Get(), INFINITE);

    DWORD exitCode = 0;
    if (!GetExitCodeProcess(child.Get(), &exitCode))
    {
        fprintf(stderr, "runexact: GetExitCodeProcess failed with error %lu\n", GetLastError());
        exitCode = 255;
    }

    if (hasStatus)
    {
        WriteStatus(statusPath, exitCode);
    }
    return static_cast<int>(exitCode);
}
