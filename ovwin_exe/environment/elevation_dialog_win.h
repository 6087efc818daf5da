// The elevation dialog: the question whether to restart the launcher with
// administrator rights, with the shield beside it.
#pragma once

#include <windows.h>

constexpr INT_PTR kElevationCancelled = 2; // the dialog's result for "Cancel"

// Shows the dialog modally over the owner (the splash window, or none):
// kElevationCancelled, or 0 or -1 when it could not be shown. "Elevate"
// never returns here: it ends the process once the elevated copy started.
INT_PTR ShowElevationDialog(HWND owner);
