// What the log writer needs from the platform: the local date and time, and
// the debugger's output channel.
#pragma once

#include "diagnostics/log_line.h"

// The local date and time now, "MM/DD/YY" and "HH:MM:SS", with the time-zone
// setting read afresh.
LogTimestamp ReadLogTimestamp();

[[nodiscard]] bool DebuggerAttached();
void WriteToDebugger(const char* text);
