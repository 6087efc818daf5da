#include "diagnostics/log.h"

#include "diagnostics/log_line.h"
#include "diagnostics/log_platform.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

int32_t LogLevel = 0;
int32_t LogDepth = 0;
bool LogsOpen = false;
uint32_t ErrorCount = 0;
char ErrorLogPath[kPathCapacity];
char DebugLogPath[kPathCapacity];

namespace
{
constexpr std::size_t kRuleLength = 119;

// Every message is opened, appended and closed on its own, so the file is
// complete after every line and can be read while the launcher runs; the
// physical lines of a wrapped message go in together, so that another
// launcher's line cannot come between them. A file that cannot be opened
// loses the lines silently.
void AppendPhysicalLines(const char* path, const std::vector<std::string>& lines)
{
    if (!LogsOpen)
    {
        return;
    }
    std::FILE* file = std::fopen(path, "a+");
    if (file == nullptr)
    {
        return;
    }
    AppendLinesAsOnePiece(file, lines);
    std::fclose(file);
}

void ToDebugger(const std::string& line)
{
    if (DebuggerAttached())
    {
        WriteToDebugger(line.c_str());
        WriteToDebugger("\n");
    }
}

// Runs a write that needs memory for its line; without it the line is lost.
template <typename Write>
void WithMemory(Write write)
{
    try
    {
        write();
    }
    catch (const std::bad_alloc&)
    {
        // An error line is counted all the same.
    }
}

void WriteDebugMessage(int32_t level, const std::string& whole)
{
    const std::string message = ShortenDebugMessage(whole);
    const std::string full = BuildDebugLine(ReadLogTimestamp(), DebugTagForLevel(level), LogDepth, message);
    AppendPhysicalLines(DebugLogPath, WrapDebugLine(full, LogDepth, message.size()));
    ToDebugger(full);
}

void WriteDebugLine(int32_t level, const char* format, va_list arguments) OVW_PRINTF_FORMAT(2, 0);
void WriteDebugLine(int32_t level, const char* format, va_list arguments)
{
    if (level <= LogLevel)
    {
        WithMemory([&] {
            if (const std::unique_ptr<char[]> formatted = FormatWholeMessage(format, arguments))
            {
                WriteDebugMessage(level, formatted.get());
            }
        });
    }
}

void WriteDebugText(int32_t level, const char* text)
{
    if (level <= LogLevel)
    {
        WithMemory([&] { WriteDebugMessage(level, PlainText(text)); });
    }
}

bool DiagnosticLinesWanted()
{
    return LogLevel >= kLogDiagnostic && LogsOpen;
}

// Every error line is counted, also while the logs are closed; true when it
// is to be written.
bool CountError()
{
    ++ErrorCount;
    return LogsOpen;
}

void WriteErrorMessage(const std::string& message)
{
    const LogTimestamp stamp = ReadLogTimestamp();
    AppendPhysicalLines(ErrorLogPath, {BuildErrorLogLine(stamp, message)});
    if (LogLevel > 0)
    {
        const std::string mirrored = BuildErrorDebugLine(stamp, LogDepth, message);
        AppendPhysicalLines(DebugLogPath, {mirrored});
        ToDebugger(mirrored);
    }
}
} // namespace

void OpenLogs(const char* folder, const LogSettings& settings)
{
    FormatToBuffer(ErrorLogPath, kPathCapacity, "%sOvwinError.log", folder);
    if (settings.PreloadMode)
    {
        // The preload log always starts empty; the error log is kept.
        LogLevel = kLogDiagnostic;
        FormatToBuffer(DebugLogPath, kPathCapacity, "%sOvwinPreload.log", folder);
        std::remove(DebugLogPath);
    }
    else
    {
        FormatToBuffer(DebugLogPath, kPathCapacity, "%sOvwinDebug.log", folder);
        if (settings.DeveloperLogging)
        {
            if (LogLevel < kLogDeveloper)
            {
                LogLevel = kLogDeveloper;
            }
        }
        else if (settings.DiagnosticLogging && LogLevel < kLogDiagnostic)
        {
            LogLevel = kLogDiagnostic;
        }
        if (LogLevel <= 0)
        {
            return;
        }
        if (!settings.AppendLogFiles)
        {
            std::remove(ErrorLogPath);
            std::remove(DebugLogPath);
        }
    }
    LogsOpen = true;

    const std::string rule(kRuleLength, '-');
    DebugLog(" ");
    DebugLog("%s", rule.c_str());
    DebugLog("%s 64-bit edition v%d.%d.%d.%d", settings.FileDescription, static_cast<int>(settings.Major),
             static_cast<int>(settings.Minor), static_cast<int>(settings.Build),
             static_cast<int>(settings.Revision));
    DebugLog(" ");
    DebugLog("%s", settings.LegalCopyright);
    DebugLog("%s", rule.c_str());
}

void DebugLog(const char* format, ...)
{
    if (!DiagnosticLinesWanted())
    {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    WriteDebugLine(kLogDiagnostic, format, arguments);
    va_end(arguments);
}

void DebugLogAt(int32_t level, const char* format, ...)
{
    if (DiagnosticLinesWanted() || level == kLogDeveloper)
    {
        va_list arguments;
        va_start(arguments, format);
        WriteDebugLine(level, format, arguments);
        va_end(arguments);
    }
}

void DebugLogText(const char* text)
{
    if (DiagnosticLinesWanted())
    {
        WriteDebugText(kLogDiagnostic, text);
    }
}

void DeveloperLogText(const char* text)
{
    WriteDebugText(kLogDeveloper, text);
}

void ErrorLog(const char* format, ...)
{
    if (!CountError())
    {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    WithMemory([&] {
        if (const std::unique_ptr<char[]> formatted = FormatWholeMessage(format, arguments))
        {
            WriteErrorMessage(formatted.get());
        }
    });
    va_end(arguments);
}

void ErrorLogText(const char* text)
{
    if (CountError())
    {
        WithMemory([&] { WriteErrorMessage(PlainText(text)); });
    }
}

void RaiseLogDepth()
{
    ++LogDepth;
}

void LowerLogDepth()
{
    LogDepth = LogDepth - 1 < 1 ? 0 : LogDepth - 1;
}

void TraceFunctionEntry(const char* name)
{
    if (LogLevel > 1)
    {
        DebugLogAt(kLogDeveloper, "@ %s() {", name);
    }
    RaiseLogDepth();
}

void TraceFunctionExit(const char* name)
{
    LowerLogDepth();
    if (LogLevel > 1)
    {
        DebugLogAt(kLogDeveloper, "@ } %s", name);
    }
}

void TraceBlockEntry(const char* label)
{
    if (LogLevel > 1)
    {
        DebugLogAt(kLogDeveloper, "# Entered \"%s\" {", label);
    }
    RaiseLogDepth();
}

void TraceBlockExit(const char* label)
{
    LowerLogDepth();
    if (LogLevel > 1)
    {
        DebugLogAt(kLogDeveloper, "# } Exited \"%s\"", label);
    }
}
