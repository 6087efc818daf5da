// File-system utilities: the WOW64 redirection bracket around file
// operations that must see the real system folders, and version resources.
#pragma once

#include "environment/library_version.h"

// Switch WOW64 file-system redirection off before, and on again after, such
// an operation. A process that does not run under WOW64 is exempt: both
// return at once. A failure to switch back on ends the launcher.
bool DisableFSCompatibility();
bool EnableFSCompatibility();

// The version record of an executable or library; zeros and empty texts
// where the file has no version resource or lacks a string.
LibraryVersion GetLibraryVersion(const char* path);
