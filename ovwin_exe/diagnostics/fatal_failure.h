// Failures the launcher may not go on after, found deep down (WOW64
// redirection that cannot be switched back on, a process token that cannot
// be asked about its rights). Whoever finds one reports it here; only the
// launcher, which installs the handler at start, decides how the process
// ends.
#pragma once

using FatalFailureHandler = void (*)();

void SetFatalFailureHandler(FatalFailureHandler handler);

// Hands the failure to the handler, which must not return. Without one the
// process ends at once.
[[noreturn]] void ReportFatalFailure();
