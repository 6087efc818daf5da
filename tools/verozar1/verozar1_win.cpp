// verozar1.exe, a sample main program for integrators and tests.
//
// The launcher starts the main program with a command line made of one
// token, the instance file's path (switch -i) or the launcher's own path,
// then a space and the engine commands separated by spaces. The token is
// not quoted, so a path with spaces is recognised by its ".t1" or ".exe"
// ending. This sample splits that command line, checks the instance file
// when it was given one, shows what it received in a small window and
// writes the same text to a report file:
//
//   VEROZAR1_REPORT          the report's path (default: verozar1-report.txt
//                            beside verozar1.exe)
//   VEROZAR1_CLOSE_AFTER_MS  close the window after this many milliseconds
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace
{
constexpr int kPathCapacity = MAX_PATH;
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 360;
const char* const kWindowClass = "Verozar1Sample";
const char* const kWindowTitle = "Brisel - sample main program";

struct LaunchCommand
{
    std::string firstToken;
    std::string engineCommands;
};

bool EndsWithNoCase(const std::string& text, size_t end, const char* suffix)
{
    const size_t length = strlen(suffix);
    return end >= length && _strnicmp(text.c_str() + end - length, suffix, length) == 0;
}

// The first token ends at the first space that follows ".t1" or ".exe";
// without one, at the first space.
LaunchCommand SplitCommandLine(const std::string& line)
{
    size_t end = std::string::npos;
    for (size_t i = 0; i <= line.size(); ++i)
    {
        if (i == line.size() || line[i] == ' ')
        {
            if (EndsWithNoCase(line, i, ".t1") || EndsWithNoCase(line, i, ".exe"))
            {
                end = i;
                break;
            }
        }
    }
    if (end == std::string::npos)
    {
        end = line.find(' ');
    }
    if (end == std::string::npos)
    {
        return {line, ""};
    }
    return {line.substr(0, end), line.substr(end + 1)};
}

using Section = std::map<std::string, std::string>;
using Sections = std::vector<std::pair<std::string, Section>>;

// Reads the instance file's sections in order; notes lines without CR LF.
bool ReadInstanceFile(const std::string& path, Sections& sections, std::vector<std::string>& problems)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr)
    {
        problems.push_back("cannot open the instance file");
        return false;
    }
    std::string content;
    char chunk[4096];
    size_t read = 0;
    while ((read = fread(chunk, 1, sizeof(chunk), file)) > 0)
    {
        content.append(chunk, read);
    }
    fclose(file);

    size_t start = 0;
    while (start < content.size())
    {
        size_t end = content.find('\n', start);
        if (end == std::string::npos || end == start || content[end - 1] != '\r')
        {
            problems.push_back("a line does not end with CR LF");
            end = end == std::string::npos ? content.size() : end;
        }
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        start = end + 1;
        if (line.size() > 2 && line.front() == '[' && line.back() == ']')
        {
            sections.push_back({line.substr(1, line.size() - 2), Section()});
        }
        else if (!sections.empty() && line.find('=') != std::string::npos)
        {
            sections.back().second[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
        else
        {
            problems.push_back("unexpected line: " + line);
        }
    }
    return true;
}

const Section* FindSection(const Sections& sections, const char* name)
{
    for (const auto& section : sections)
    {
        if (section.first == name)
        {
            return &section.second;
        }
    }
    return nullptr;
}

void CheckInstanceFile(const Sections& sections, const std::string& engineCommands,
                       std::vector<std::string>& problems)
{
    const Section* instance = FindSection(sections, "INSTANCE");
    const Section* environment = FindSection(sections, "ENVIRONMENT");
    const Section* metrics = FindSection(sections, "METRICS");
    if (instance == nullptr || metrics == nullptr)
    {
        problems.push_back("[INSTANCE] or [METRICS] is missing");
        return;
    }
    for (const char* key : {"LAUNCHER", "OVWIN", "OVWINVER", "OVWINTYPE", "ARGS", "CMDLINE", "WFOLDER"})
    {
        if (instance->count(key) == 0)
        {
            problems.push_back(std::string("[INSTANCE] lacks ") + key);
        }
    }
    // The log paths stand in [ENVIRONMENT] when the launcher knew its folders.
    const Section* logs = environment != nullptr ? environment : instance;
    for (const char* key : {"OVWINDEBUGLOG", "OVWINERRORLOG"})
    {
        if (logs->count(key) == 0)
        {
            problems.push_back(std::string("the log path ") + key + " is missing");
        }
    }
    for (const char* key : {"USERNAME", "OSNAME"})
    {
        if (metrics->count(key) == 0)
        {
            problems.push_back(std::string("[METRICS] lacks ") + key);
        }
    }
    std::string commas = engineCommands;
    for (char& c : commas)
    {
        c = c == ' ' ? ',' : c;
    }
    if (instance->count("CMDLINE") != 0 && instance->at("CMDLINE") != commas)
    {
        problems.push_back("CMDLINE does not match the command line");
    }
    if (instance->count("LAUNCHER") != 0 && instance->at("LAUNCHER") != "OVWIN")
    {
        problems.push_back("LAUNCHER is not OVWIN");
    }
}

std::string BuildReport()
{
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    char folder[kPathCapacity] = "";
    GetCurrentDirectoryA(kPathCapacity, folder);

    const std::string commandLine = GetCommandLineA();
    const LaunchCommand command = SplitCommandLine(commandLine);
    char flags[64];
    snprintf(flags, sizeof(flags), "0x%08lx", startup.dwFlags);

    std::string report;
    report += "command_line=" + commandLine + "\r\n";
    report += "first_token=" + command.firstToken + "\r\n";
    report += "engine_commands=" + command.engineCommands + "\r\n";
    report += "current_folder=" + std::string(folder) + "\r\n";
    report += "startup_flags=" + std::string(flags) + "\r\n";
    report += "show_window=" + std::to_string(startup.wShowWindow) + "\r\n";

    if (!EndsWithNoCase(command.firstToken, command.firstToken.size(), ".t1"))
    {
        report += "instance_file=\r\n";
        return report;
    }
    report += "instance_file=" + command.firstToken + "\r\n";
    Sections sections;
    std::vector<std::string> problems;
    if (ReadInstanceFile(command.firstToken, sections, problems))
    {
        CheckInstanceFile(sections, command.engineCommands, problems);
    }
    std::string check = problems.empty() ? "ok" : "";
    for (const std::string& problem : problems)
    {
        check += (check.empty() ? "" : "; ") + problem;
    }
    report += "instance_check=" + check + "\r\n";
    for (const auto& section : sections)
    {
        for (const auto& entry : section.second)
        {
            report += "instance." + section.first + "." + entry.first + "=" + entry.second + "\r\n";
        }
    }
    return report;
}

void WriteReport(const std::string& report)
{
    char path[kPathCapacity] = "";
    const DWORD length = GetEnvironmentVariableA("VEROZAR1_REPORT", path, kPathCapacity);
    if (length == 0 || length >= static_cast<DWORD>(kPathCapacity))
    {
        GetModuleFileNameA(nullptr, path, kPathCapacity);
        char* lastBackslash = strrchr(path, '\\');
        if (lastBackslash != nullptr)
        {
            lastBackslash[1] = '\0';
        }
        strncat(path, "verozar1-report.txt", kPathCapacity - strlen(path) - 1);
    }
    FILE* file = fopen(path, "wb");
    if (file != nullptr)
    {
        fwrite(report.data(), 1, report.size(), file);
        fclose(file);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
        case WM_TIMER:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const std::string report = BuildReport();
    WriteReport(report);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);

    HWND window =
        CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
    {
        return 1;
    }
    RECT client;
    GetClientRect(window, &client);
    CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", report.c_str(),
                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0,
                    client.right, client.bottom, window, nullptr, instance, nullptr);

    // The launcher starts this program hidden; the first ShowWindow call of a
    // process takes the starter's show command, so the second one shows it.
    ShowWindow(window, SW_SHOWNORMAL);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    char closeAfter[32] = "";
    if (GetEnvironmentVariableA("VEROZAR1_CLOSE_AFTER_MS", closeAfter, sizeof(closeAfter)) > 0)
    {
        SetTimer(window, 1, static_cast<UINT>(strtoul(closeAfter, nullptr, 10)), nullptr);
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
