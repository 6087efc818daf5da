#include "launcher/app_lifetime.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "foundation/text_limits.h"
#include "ui/dialogs.h"
#include "ui/splash_win.h"

#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <cstdlib>

void InitCOM()
{
    const HRESULT result = CoInitialize(nullptr);
    if (result == S_OK)
    {
        DebugLog("InitCOM: Standard COM library initialized.");
    }
    else if (result == S_FALSE)
    {
        DebugLogAt(kLogDeveloper, "InitCOM: Standard COM library already initialized.");
    }
    else
    {
        char description[kErrorTextCapacity];
        FormatErrorString(static_cast<uint32_t>(result), description, sizeof(description), kErrorKindHResult);
        ErrorLog("InitCOM: Unable to initialize the standard COM library on the current thread; %s",
                 description);
    }
}

void DisposeCOM()
{
    CoUninitialize();
    DebugLog("DisposeCOM: Standard COM library disposed.");
}

void DisposeApp(int32_t exitCode)
{
    DebugLogText("DisposeApp: Disposing of resources.");
    CloseSplash();
    _fcloseall();
    DisposeCOM();
    DebugLog("Ending launcher application with exit code %d.", static_cast<int>(exitCode));
    std::exit(static_cast<int>(exitCode));
}

void AbortApp()
{
    DebugLogText("Application is being aborted due to a critical error.");
    ShowCriticalFailure();
    DisposeApp(kExitCriticalFailure);
}
