// Why another program did not start, in words a support engineer can act
// on: for the plain process start of the main program and for the shell
// start of installers, the registration utility and the launcher itself.
#pragma once

#include <cstdint>

// The words that say why a program did not start, by the error code; null
// for 1223 (the user declined), which is not an error.
const char* ExecuteProcessFailureMessage(uint32_t errorCode);
const char* ExecuteAppFailureMessage(uint32_t errorCode);

// The error behind a failed shell start: the thread's last error, or, where
// the shell's own error box has cleared it, the error its result code
// (hInstApp, an SE_ERR_ value) stands for.
[[nodiscard]] uint32_t ShellStartError(uint32_t lastError, intptr_t shellResult);
