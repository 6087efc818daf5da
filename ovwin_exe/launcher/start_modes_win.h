// The four ways a start can go, each ending the process through DisposeApp.
#pragma once

[[noreturn]] void RunListMode();
[[noreturn]] void RunReplaceMode();
[[noreturn]] void RunPreloadMode();
// argumentText: the command-line argument text as WinMain received it.
[[noreturn]] void RunStandardStart(const char* argumentText);
