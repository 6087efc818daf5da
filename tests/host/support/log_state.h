// Puts the process-wide log and option state back to how a start finds it,
// with the logs pointed at a fresh temporary folder.
#pragma once

#include "diagnostics/log.h"

#include <string>
#include <vector>

namespace log_state
{
// Resets the state and returns the folder (with a trailing slash) for logs.
std::string Reset();
// The log settings of a start with the switch -d, or -d100.
LogSettings WithDiagnosticSwitch();
LogSettings WithDeveloperSwitch();
// The lines of a file, without their line ends; empty when it is missing.
std::vector<std::string> ReadLines(const std::string& path);
// The lines of a log from the tag on ("DEBUG    ...", "ERROR !!  ..."), with
// the continuations of a wrapped line joined back into it.
std::vector<std::string> ReadMessages(const std::string& path);
bool FileExists(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
} // namespace log_state
