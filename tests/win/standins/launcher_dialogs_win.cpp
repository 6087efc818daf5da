// launcher_dialogs: starts like ovwin64.exe (Initialize, the splash unless
// silent) and then, given the engine command "critical", fails as a critical
// error does: AbortApp shows the critical-failure box and ends with exit
// code 6.
#include "launcher/app_lifetime.h"
#include "launcher/command_line.h"
#include "launcher/initialize_win.h"
#include "launcher/launch_options.h"
#include "ui/splash_win.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int)
{
    Initialize(instance, argumentText);
    if (!LaunchOptions.SilentMode.Set)
    {
        CreateSplashWindow("Initializing Brisel");
        UpdateStatus("Initializing Brisel...");
    }
    if (HasEngineCommand("critical"))
    {
        AbortApp();
    }
    DisposeApp(kExitSuccess);
}
