#include "environment/fs_redirection.h"

#include "diagnostics/log.h"
#include "foundation/text_limits.h"

RedirectionState FsRedirection = {false, false, nullptr};

bool DisableRedirection(RedirectionState& state, bool underWow64, const RedirectionCalls& calls)
{
    if (state.Exempt)
    {
        return true;
    }
    if (state.Disabled)
    {
        DebugLogAt(kLogDeveloper,
                   "DisableFSCompatibility: WOW64 file system emulation compatibility redirection already "
                   "disabled (Token %p).",
                   state.SavedToken);
        return true;
    }
    if (!underWow64)
    {
        DebugLogText("DisableFSCompatibility: This process is exempt from compatibility redirection. (This "
                     "notice will not be repeated)");
        state.Exempt = true;
        return true;
    }
    uint32_t error = 0;
    if (!calls.SwitchOff(&state.SavedToken, &error))
    {
        char description[kErrorTextCapacity];
        calls.Describe(error, description, sizeof(description));
        ErrorLog("DisableFSCompatibility failed: Failed to disable WOW64 FS redirection; %s", description);
        return false;
    }
    DebugLogAt(kLogDeveloper,
               "DisableFSCompatibility: Disabled WOW64 file system emulation compatibility redirection "
               "(Token %p).",
               state.SavedToken);
    state.Disabled = true;
    return true;
}

bool EnableRedirection(RedirectionState& state, const RedirectionCalls& calls)
{
    if (state.Exempt)
    {
        return true;
    }
    if (!state.Disabled)
    {
        DeveloperLogText(
            "EnableFSCompatibility: WOW64 file system emulation compatibility redirection already enabled.");
        return true;
    }
    DebugLogAt(
        kLogDeveloper,
        "EnableFSCompatibility: Enabling WOW64 file system emulation compatibility redirection (Token %p).",
        state.SavedToken);
    uint32_t error = 0;
    if (calls.SwitchOn(state.SavedToken, &error))
    {
        state.Disabled = false;
        return true;
    }
    char description[kErrorTextCapacity];
    calls.Describe(error, description, sizeof(description));
    ErrorLog("EnableFSCompatibility failed: *CRITICAL* Failed to re-enable WOW64 file system emulation "
             "compatibility redirection for this process. Process integrity may be compromised and "
             "application must close; %s",
             description);
    return false;
}
