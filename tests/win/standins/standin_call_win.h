// What the stand-ins for the programs the launcher starts share: the
// parameter text they were given, the record of their calls and the exit
// code a test chooses for them.
//
//   OVWIN_STANDIN_RECORD   the file each call appends its line to (default:
//                          standin-calls.txt beside the stand-in); one line
//                          per call: program file name, TAB, parameter text,
//                          TAB, what the stand-in found or did, CR LF
//   OVWIN_STANDIN_EXIT_*   the exit code, named per stand-in (see there)
#pragma once

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace standin
{
// The command line after the program's own token and the blanks after it.
inline std::string ParameterText()
{
    const char* line = GetCommandLineA();
    if (*line == '"')
    {
        const char* end = strchr(line + 1, '"');
        line = end != nullptr ? end + 1 : line + strlen(line);
    }
    else
    {
        while (*line != '\0' && *line != ' ' && *line != '\t')
        {
            ++line;
        }
    }
    while (*line == ' ' || *line == '\t')
    {
        ++line;
    }
    return line;
}

inline std::string OwnPath()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

inline std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Appends the call's line to the record.
inline void Record(const std::string& parameters, const std::string& note)
{
    char recordPath[MAX_PATH] = "";
    if (GetEnvironmentVariableA("OVWIN_STANDIN_RECORD", recordPath, sizeof(recordPath)) == 0)
    {
        const std::string own = OwnPath();
        const std::string beside = own.substr(0, own.find_last_of('\\') + 1) + "standin-calls.txt";
        strncpy(recordPath, beside.c_str(), sizeof(recordPath) - 1);
    }
    FILE* record = fopen(recordPath, "ab");
    if (record == nullptr)
    {
        return;
    }
    fprintf(record, "%s\t%s\t%s\r\n", FileNameOf(OwnPath()).c_str(), parameters.c_str(), note.c_str());
    fclose(record);
}

// The exit code the environment variable names, or the fallback when it is
// not set.
inline int ChosenExitCode(const char* variable, int fallback)
{
    char value[32] = "";
    if (GetEnvironmentVariableA(variable, value, sizeof(value)) == 0)
    {
        return fallback;
    }
    return static_cast<int>(strtol(value, nullptr, 10));
}
} // namespace standin
