#include "launcher/launch_plan.h"

#include "diagnostics/log.h"
#include "foundation/ansi_text.h"
#include "foundation/format_buffer.h"
#include "launcher/app_lifetime.h"

#include <cstring>
#include <string>

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

void BuildLaunchCommandLine(const char* firstToken, const char* const* engineCommands, uint32_t commandCount,
                            char* destination, std::size_t capacity)
{
    if (FormatToBuffer(destination, capacity, "%s ", firstToken) < 0)
    {
        return; // not with kLaunchCommandLineCapacity, which holds any path and its space
    }
    uint32_t passed = 0;
    for (; passed < commandCount; ++passed)
    {
        const char* separator = passed > 0 ? " " : "";
        if (std::strlen(destination) + std::strlen(separator) + std::strlen(engineCommands[passed]) >=
            capacity)
        {
            break;
        }
        AppendToBuffer(destination, capacity, separator);
        AppendToBuffer(destination, capacity, engineCommands[passed]);
    }
    if (passed == commandCount)
    {
        return;
    }
    std::string leftOut;
    for (uint32_t i = passed; i < commandCount; ++i)
    {
        leftOut += (i > passed ? " " : "") + std::string(engineCommands[i]);
    }
    ErrorLog("WinMain: The engine commands do not fit in the main program's command line of %d characters; "
             "passing %d of %d, leaving out \"%s\".",
             static_cast<int>(capacity - 1), static_cast<int>(passed), static_cast<int>(commandCount),
             leftOut.c_str());
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
