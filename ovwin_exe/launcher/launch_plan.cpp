#include "launcher/launch_plan.h"

#include "foundation/ansi_text.h"
#include "foundation/format_buffer.h"
#include "launcher/app_lifetime.h"

#include <cstring>

void BuildStartFilePath(bool usingCache, const char* cacheParentFolder, const char* launcherFolder,
                        const char* fileName, char* destination, std::size_t capacity)
{
    if (usingCache)
    {
        FormatToBuffer(destination, capacity, "%s_tcache1\\%s", cacheParentFolder, fileName);
    }
    else
    {
        FormatToBuffer(destination, capacity, "%s%s", launcherFolder, fileName);
    }
}

void BuildLaunchCommandLine(const char* firstToken, const char* argumentText, char* destination,
                            std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "%s %s", firstToken, argumentText);
}

void BuildProfileFileName(const char* launcherFolder, char* destination, std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "\"%sov_main.ini\"", launcherFolder);
}

void UnquoteProfileFileName(const char* quoted, char* destination, std::size_t capacity)
{
    const std::size_t length = std::strlen(quoted);
    if (length >= 2 && quoted[0] == '"' && quoted[length - 1] == '"')
    {
        CopyToBuffer(destination, capacity < length - 1 ? capacity : length - 1, quoted + 1);
        return;
    }
    CopyToBuffer(destination, capacity, quoted);
}

bool ProfileValueIsTrue(const char* value)
{
    return AnsiEqualsIgnoreCase(value, "TRUE");
}

LaunchOutcome ChooseLaunchOutcome(int32_t launchResult, uint32_t errorCount)
{
    char text[128];
    if (launchResult == -1)
    {
        if (errorCount == 1)
        {
            return {true, "*** Brisel Launch Failed. There was 1 error during startup. ***",
                    kExitLaunchFailed};
        }
        if (errorCount == 0)
        {
            return {true, "*** Brisel Launch Failed. ***", kExitLaunchFailed};
        }
        FormatToBuffer(text, sizeof(text),
                       "*** Brisel Launch Failed. There were %d errors during startup. ***",
                       static_cast<int>(errorCount));
        return {true, text, kExitLaunchFailed};
    }
    if (errorCount == 1)
    {
        return {false, "*** Brisel Launch Successful. There was 1 non-fatal error during startup. ***",
                kExitSuccess};
    }
    if (errorCount == 0)
    {
        return {false, "*** Brisel Launch Successful. ***", kExitSuccess};
    }
    FormatToBuffer(text, sizeof(text),
                   "*** Brisel Launch Successful. There were %d non-fatal errors during startup. ***",
                   static_cast<int>(errorCount));
    return {false, text, kExitSuccess};
}
