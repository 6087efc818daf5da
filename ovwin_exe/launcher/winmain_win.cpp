// Entry of ovwin64.exe: initialise, choose the mode from the engine commands
// ("list", then "replace", then "preload", else the standard start) and run
// it. Every mode ends the process itself.
#include "launcher/command_line.h"
#include "launcher/initialize_win.h"
#include "launcher/start_modes_win.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int)
{
    Initialize(instance, argumentText);
    if (HasEngineCommand("list"))
    {
        RunListMode();
    }
    if (HasEngineCommand("replace"))
    {
        RunReplaceMode();
    }
    if (HasEngineCommand("preload"))
    {
        RunPreloadMode();
    }
    RunStandardStart(argumentText);
}
