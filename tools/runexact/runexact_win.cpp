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
//
// The child inherits this program's standard handles, so a test reads what
// even a GUI program prints to standard output. runexact's own exit status
// is the child's exit code (truncated by the host), or 255 when the child
// could not be started.
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

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);

    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr,
                        hasFolder ? folder : nullptr, &startup, &process))
    {
        fprintf(stderr, "runexact: CreateProcess failed with error %lu\n", GetLastError());
        return 255;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);

    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.hProcess, &exitCode))
    {
        fprintf(stderr, "runexact: GetExitCodeProcess failed with error %lu\n", GetLastError());
        exitCode = 255;
    }
    CloseHandle(process.hProcess);

    if (hasStatus)
    {
        WriteStatus(statusPath, exitCode);
    }
    return static_cast<int>(exitCode);
}
