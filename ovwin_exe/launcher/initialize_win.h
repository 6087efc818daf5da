// The first step of every start: run options, argument blocks, logs, splash
// resources, known folders, the launcher key and COM.
#pragma once

#include <windows.h>

extern HINSTANCE LauncherInstance; // the module instance WinMain received

// Returns when the options, the argument blocks and the logs are ready; ends
// the process itself for the help box and for critical failures.
void Initialize(HINSTANCE instance, const char* argumentText);

// Parses the argument blocks again (with listing: the arguments are logged);
// shows the help box and ends the process when it is asked for.
void ParseArguments(bool listing);
