// Starting a program through the shell, which on systems with UAC asks for
// elevation ("runas") and can wait for the program's exit code: the
// installers, the registration utility and the elevated restart.
#pragma once

#include <windows.h>

#include <cstdint>

// -1 when the program was not started or the wait was abandoned or failed;
// 0 when the five-minute wait ran out or no exit code could be read;
// otherwise the exit code the system reports (259, still active, when not
// waited for).
[[nodiscard]] int32_t ExecuteAppEx(HWND owner, const char* file, const char* parameters, bool wait,
                                   bool hide);
