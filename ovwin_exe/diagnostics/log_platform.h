// What the log writer needs from the platform: the local date and time, the
// debugger's output channel, and appends that other processes cannot tear.
#pragma once

#include "diagnostics/log_line.h"

#include <cstdio>
#include <string>
#include <vector>

// The local date and time now, "MM/DD/YY" and "HH:MM:SS", with the time-zone
// setting read afresh.
LogTimestamp ReadLogTimestamp();

[[nodiscard]] bool DebuggerAttached();
void WriteToDebugger(const char* text);

// Writes the lines, each followed by a newline, at the end of a file opened
// for appending, as one piece: two launchers started together share their
// logs, and a line of one must never land on top of a line of the other, nor
// between the physical lines of one wrapped message. Where the file cannot
// be locked the lines are written all the same.
void AppendLinesAsOnePiece(std::FILE* file, const std::vector<std::string>& lines);
