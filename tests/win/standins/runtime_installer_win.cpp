// Stand-ins for the Microsoft installers the launcher runs from its "redist"
// folder: vc_redist.x86.exe, vc_redist.x64.exe and
// ndp48-x86-x64-allos-enu.exe, one build each (STANDIN_VC_X86,
// STANDIN_VC_X64, STANDIN_NETFX). They install nothing. Each records its
// call (standin_call_win.h), writes the file its "/log "PATH"" parameter
// names, and ends with the exit code of
//
//   OVWIN_STANDIN_EXIT_VC_REDIST_X86, OVWIN_STANDIN_EXIT_VC_REDIST_X64,
//   OVWIN_STANDIN_EXIT_NDP48           (default 0)
//
// When that code is one of an installation that succeeded (0, 1641, 3010)
// it first leaves the registry marks a real installation leaves, so the
// next start finds the runtime installed: for the VC runtimes "Installed"=1
// and "Version"="v14.36.32532.00" below
// HKLM\SOFTWARE\Wow6432Node\Microsoft\VisualStudio\14.0\VC\Runtimes\x86 (or
// x64), for the framework "Install"=1 and "Release"=528040 below
// HKLM\Software\Microsoft\NET Framework Setup\NDP\v4\Full.
#include "standin_call_win.h"

#include <windows.h>

#include <stdio.h>

#include <string>

namespace
{
#if defined(STANDIN_VC_X86)
const char* const kExitVariable = "OVWIN_STANDIN_EXIT_VC_REDIST_X86";
const char* const kMarkKey = "SOFTWARE\\Wow6432Node\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x86";
const bool kFramework = false;
#elif defined(STANDIN_VC_X64)
const char* const kExitVariable = "OVWIN_STANDIN_EXIT_VC_REDIST_X64";
const char* const kMarkKey = "SOFTWARE\\Wow6432Node\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x64";
const bool kFramework = false;
#elif defined(STANDIN_NETFX)
const char* const kExitVariable = "OVWIN_STANDIN_EXIT_NDP48";
const char* const kMarkKey = "Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";
const bool kFramework = true;
#else
#error "Build this stand-in with STANDIN_VC_X86, STANDIN_VC_X64 or STANDIN_NETFX"
#endif

const char* const kRuntimeVersion = "v14.36.32532.00";
const DWORD kFrameworkRelease = 528040;

bool SetNumber(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
           ERROR_SUCCESS;
}

bool SetText(HKEY key, const char* name, const char* value)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(strlen(value) + 1)) == ERROR_SUCCESS;
}

// "marks written", or why not.
std::string WriteMarks()
{
    HKEY key = nullptr;
    const LSTATUS created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMarkKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    if (created != ERROR_SUCCESS)
    {
        return "marks not written: error " + std::to_string(created);
    }
    const bool written = kFramework
                             ? SetNumber(key, "Install", 1) && SetNumber(key, "Release", kFrameworkRelease)
                             : SetNumber(key, "Installed", 1) && SetText(key, "Version", kRuntimeVersion);
    RegCloseKey(key);
    return written ? "marks written" : "marks not written";
}

// The path inside the quotes after "/log ", or empty.
std::string LogPath(const std::string& parameters)
{
    const std::string option = "/log \"";
    const size_t start = parameters.find(option);
    if (start == std::string::npos)
    {
        return "";
    }
    const size_t begin = start + option.size();
    const size_t end = parameters.find('"', begin);
    return end == std::string::npos ? "" : parameters.substr(begin, end - begin);
}

void WriteLog(const std::string& path, const std::string& parameters, int exitCode, const std::string& marks)
{
    FILE* log = fopen(path.c_str(), "wb");
    if (log == nullptr)
    {
        return;
    }
    fprintf(log,
            "Stand-in for %s: nothing was installed.\r\nParameters: %s\r\nRegistry: %s\r\nExit code: %d\r\n",
            standin::FileNameOf(standin::OwnPath()).c_str(), parameters.c_str(), marks.c_str(), exitCode);
    fclose(log);
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string parameters = standin::ParameterText();
    const int exitCode = standin::ChosenExitCode(kExitVariable, 0);
    const bool succeeded = exitCode == 0 || exitCode == 1641 || exitCode == 3010;
    const std::string marks = succeeded ? WriteMarks() : "no marks";
    const std::string logPath = LogPath(parameters);
    if (!logPath.empty())
    {
        WriteLog(logPath, parameters, exitCode, marks);
    }
    standin::Record(parameters, marks);
    return exitCode;
}
