// launcher_dialogs: starts like ovwin64.exe (Initialize, the splash unless
// silent) and then shows the dialog its engine command names:
//   errorbox      ShowErrorDialog with "Failed to open %s for installation."
//   critical      AbortApp: the critical-failure box, exit code 6
//   replacefail   the replace mode with a file that could not be replaced
#include "install/archive_installation.h"
#include "launcher/app_lifetime.h"
#include "launcher/command_line.h"
#include "launcher/initialize_win.h"
#include "launcher/launch_options.h"
#include "launcher/start_modes_win.h"
#include "ui/dialogs.h"
#include "ui/splash_win.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int)
{
    Initialize(instance, argumentText);
    if (HasEngineCommand("replacefail"))
    {
        AllReplaced = false;
        RunReplaceMode();
    }
    if (!LaunchOptions.SilentMode.Set)
    {
        CreateSplashWindow("Initializing Brisel");
        UpdateStatus("Initializing Brisel...");
    }
    if (HasEngineCommand("errorbox"))
    {
        ShowErrorDialog("Failed to open %s for installation.", "verozar0.dll");
    }
    if (HasEngineCommand("critical"))
    {
        AbortApp();
    }
    DisposeApp(kExitSuccess);
}
