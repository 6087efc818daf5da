// Process-wide values that identify this launcher, set once by Initialize.
#pragma once

#include "environment/library_version.h"
#include "foundation/text_limits.h"

extern char ModulePath[kPathCapacity];    // full path of ovwin64.exe
extern char WorkingFolder[kPathCapacity]; // its folder, no trailing backslash; the current folder
extern LibraryVersion LauncherVersion;    // the version record of ModulePath
