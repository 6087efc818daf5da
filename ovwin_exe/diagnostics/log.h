// The debug, preload and error logs: the only way any part of the launcher
// writes diagnostics.
#pragma once

#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"

#include <cstdarg>
#include <cstdint>

constexpr int32_t kLogDiagnostic = 1;  // ordinary diagnostic lines
constexpr int32_t kLogDeveloper = 100; // traces, handles, heap blocks, argument dumps

extern int32_t LogLevel;    // 0 off, 1 diagnostic, 100 developer
extern int32_t LogDepth;    // indentation of debug lines, never below 0
extern bool LogsOpen;       // while false no log file is touched
extern uint32_t ErrorCount; // every ErrorLog call since start
extern char ErrorLogPath[kPathCapacity];
extern char DebugLogPath[kPathCapacity];

// What the launcher tells the logs when it opens them: the switches that
// choose the log and its level, and the texts of the header.
struct LogSettings
{
    bool PreloadMode = false;       // the preload log, always at level 1
    bool DeveloperLogging = false;  // at least level 100
    bool DiagnosticLogging = false; // at least level 1
    bool AppendLogFiles = false;    // earlier logs are kept
    const char* FileDescription = "";
    uint32_t Major = 0;
    uint32_t Minor = 0;
    uint32_t Build = 0;
    uint32_t Revision = 0;
    const char* LegalCopyright = "";
};

// Settles the level from the settings (starting from the level LogLevel
// holds), names and (unless appending) deletes the log files in the folder,
// and writes the header.
void OpenLogs(const char* folder, const LogSettings& settings);

// A level-1 line, written when logging is on.
void DebugLog(const char* format, ...) OVW_PRINTF_FORMAT(1, 2);
// A line of the given level, written when logging is on (or, for level 100,
// whenever the level allows it).
void DebugLogAt(int32_t level, const char* format, ...) OVW_PRINTF_FORMAT(2, 3);
// A text at level 1, written as it stands (see PlainText): never read as a
// format, so it may hold a file name.
void DebugLogText(const char* text);
// A developer text at level 100, gated by the level alone; as it stands.
void DeveloperLogText(const char* text);

// Counts the error and writes it to the error log and, mirrored, to the
// debug log.
void ErrorLog(const char* format, ...) OVW_PRINTF_FORMAT(1, 2);
// An error line written as it stands (see PlainText).
void ErrorLogText(const char* text);

void RaiseLogDepth();
void LowerLogDepth(); // a depth below 1 becomes 0

// Function and block traces: "@ %s() {" ... "@ } %s" and
// "# Entered \"%s\" {" ... "# } Exited \"%s\"", written at level 100 when
// LogLevel > 1, with the lines between them one level deeper. The scope
// objects close the trace on every way out.
void TraceFunctionEntry(const char* name);
void TraceFunctionExit(const char* name);
void TraceBlockEntry(const char* label);
void TraceBlockExit(const char* label);

template <void (*Entry)(const char*), void (*Exit)(const char*)>
class Trace
{
  public:
    explicit Trace(const char* name) : name_(name) { Entry(name_); }
    ~Trace() { Exit(name_); }
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

  private:
    const char* name_;
};
using FunctionTrace = Trace<TraceFunctionEntry, TraceFunctionExit>;
using BlockTrace = Trace<TraceBlockEntry, TraceBlockExit>;

// Raises LogDepth for a listing or a step and lowers it on the way out.
class LogDepthScope
{
  public:
    LogDepthScope() { RaiseLogDepth(); }
    ~LogDepthScope() { LowerLogDepth(); }
    LogDepthScope(const LogDepthScope&) = delete;
    LogDepthScope& operator=(const LogDepthScope&) = delete;
};
