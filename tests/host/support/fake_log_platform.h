// The host's stand-in for the log writer's platform: a clock the test sets
// and a debugger whose output the test reads.
#pragma once

#include "diagnostics/log_line.h"

#include <string>

namespace fake_log_platform
{
void SetTimestamp(const char* date, const char* time);
void AttachDebugger(bool attached);
std::string TakeDebuggerOutput();
} // namespace fake_log_platform
