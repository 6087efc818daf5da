#include "environment/elevation.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "environment/elevation_dialog_win.h"
#include "foundation/text_limits.h"
#include "ui/splash_win.h"

bool RequestElevatedRights()
{
    FunctionTrace trace("RequestElevatedRights");
    if (!SystemInfoObject.OsNamed || !SystemInfoObject.UserLoaded)
    {
        LoadSystemInfoObject();
    }
    const ElevationDecision decision = DecideElevationRequest(SystemInfoObject, ElevationRefused);
    if (decision.Line != nullptr)
    {
        DebugLogText(decision.Line);
    }
    if (decision.Answer != ElevationAnswer::AskUser)
    {
        return decision.Answer == ElevationAnswer::Grant;
    }

    const INT_PTR choice = ShowElevationDialog(SplashWindow);
    if (choice == kElevationCancelled || ElevationRefused)
    {
        ErrorLogText("RequestElevatedRights: User has denied elevation.");
        return false;
    }
    const DWORD error = GetLastError();
    char description[kErrorTextCapacity];
    ErrorLog("RequestElevatedRights: Failed to create elevation dialog. Details: %s",
             FormatErrorString(error, description, sizeof(description)));
    // Nobody could be asked: the step is skipped with its own authority
    // failure rather than tried without the rights, change by change.
    return false;
}
