// A stand-in for the COM registration utility UTL\DoziZUZ.exe. It registers
// nothing; it answers the launcher's two calls as the utility does:
//
//   DoziZUZ.exe "PATH" -Q      register the assembly at PATH quietly
//   DoziZUZ.exe "PATH" -Q -U   unregister it quietly
//
// Exit codes: 0 done; 100 the command line names no quoted path or has
// other switches; 200 there is no file at PATH; 300 the file cannot be
// loaded as a library. A test chooses another outcome with
//
//   OVWIN_STANDIN_EXIT_REGISTER, OVWIN_STANDIN_EXIT_UNREGISTER
//
// which, when set, give the exit code of a well-formed call of that kind.
// Every call is recorded (standin_call_win.h) with the file version of the
// library it found at PATH, so that a test sees which copy it was given.
#include "standin_call_win.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace
{
enum class Operation
{
    Invalid,
    Register,
    Unregister,
};

struct Call
{
    Operation operation;
    std::string path;
};

Call ParseCall(const std::string& parameters)
{
    if (parameters.size() < 2 || parameters[0] != '"')
    {
        return {Operation::Invalid, ""};
    }
    const size_t close = parameters.find('"', 1);
    if (close == std::string::npos || close == 1)
    {
        return {Operation::Invalid, ""};
    }
    const std::string path = parameters.substr(1, close - 1);
    const std::string switches = parameters.substr(close + 1);
    if (_stricmp(switches.c_str(), " -Q") == 0)
    {
        return {Operation::Register, path};
    }
    if (_stricmp(switches.c_str(), " -Q -U") == 0)
    {
        return {Operation::Unregister, path};
    }
    return {Operation::Invalid, path};
}

// "version A.B.C.D" of the file, "missing", or "no version".
std::string DescribeTarget(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        return "missing";
    }
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<char> resource(size == 0 ? 1 : size);
    void* block = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, resource.data()) ||
        !VerQueryValueA(resource.data(), "\\", &block, &length) || length < sizeof(VS_FIXEDFILEINFO))
    {
        return "no version";
    }
    const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
    char text[64];
    snprintf(text, sizeof(text), "version %u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
}

// What the utility itself would answer.
int OwnExitCode(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        return 200;
    }
    HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (library == nullptr)
    {
        return 300;
    }
    FreeLibrary(library);
    return 0;
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string parameters = standin::ParameterText();
    const Call call = ParseCall(parameters);
    if (call.operation == Operation::Invalid)
    {
        standin::Record(parameters, "command line not understood");
        return 100;
    }
    const char* variable = call.operation == Operation::Register ? "OVWIN_STANDIN_EXIT_REGISTER"
                                                                 : "OVWIN_STANDIN_EXIT_UNREGISTER";
    const int exitCode = standin::ChosenExitCode(variable, OwnExitCode(call.path));
    standin::Record(parameters, DescribeTarget(call.path));
    return exitCode;
}
