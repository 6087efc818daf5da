// The ways out of a start: every one ends the process with an exit code.
#pragma once

#include <cstdint>

// Exit codes of the launcher process.
constexpr int32_t kExitSuccess = 0;
constexpr int32_t kExitElevatedCopyStarted = 1;
constexpr int32_t kExitCriticalFailure = 6;
constexpr int32_t kExitLaunchFailed = 110;
constexpr int32_t kExitNotAllReplaced = 1627;

// Destroys the splash window, closes the runtime's streams, releases COM and
// ends the process with the exit code.
[[noreturn]] void DisposeApp(int32_t exitCode);

// Logs the abort, shows the critical-failure box and ends with exit code 6.
[[noreturn]] void AbortApp();

// Opens and releases the standard COM library on the launcher's thread.
void InitCOM();
void DisposeCOM();
