// Starting the main program: a plain detached process in the launcher's
// folder.
#pragma once

#include <cstdint>

// Starts the program hidden, detached, in WorkingFolder, without waiting:
// 0 when the process was created, -1 when it was not.
[[nodiscard]] int32_t ExecuteProcessEx(const char* applicationPath, const char* commandLine);
