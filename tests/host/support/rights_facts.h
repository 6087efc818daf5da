// A system information record that holds only the rights facts the
// decisions about administrative steps read.
#pragma once

#include "sysinfo/system_info.h"

#include <cstring>

inline SystemInfoRecord RightsFacts(bool win7OrGreater, bool uacEnabled, bool processElevated,
                                    bool adminInvoked)
{
    SystemInfoRecord facts;
    std::memset(&facts, 0, sizeof(facts));
    facts.IsWin7OrGreater = win7OrGreater;
    facts.IsUacEnabled = uacEnabled;
    facts.IsProcessElevated = processElevated;
    facts.IsAdminInvoked = adminInvoked;
    return facts;
}
