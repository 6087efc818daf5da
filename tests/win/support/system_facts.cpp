#include "support/system_facts.h"

#include "environment/fs_redirection.h"
#include "sysinfo/system_info.h"

#include <cstring>

void UseSystemFacts(bool win7OrGreater)
{
    std::memset(&SystemInfoObject, 0, sizeof(SystemInfoObject));
    SystemInfoObject.OsNamed = true;
    SystemInfoObject.VersionKnown = true;
    SystemInfoObject.HardwareLoaded = true;
    SystemInfoObject.NetworkLoaded = true;
    SystemInfoObject.UserLoaded = true;
    SystemInfoObject.IsWin7OrGreater = win7OrGreater;
    // The exempt notice has been written by an earlier test or not at all;
    // either way it is not what a test compares.
    FsRedirection = RedirectionState{true, false, nullptr};
}

std::string DeveloperLine(int depth, const std::string& message)
{
    return "DEBUG X  " + std::string(static_cast<std::size_t>(depth) * 3, ' ') + message;
}

std::string DiagnosticLine(int depth, const std::string& message)
{
    return "DEBUG    " + std::string(static_cast<std::size_t>(depth) * 3, ' ') + message;
}
