// The two message boxes that tell the user about failures.
#pragma once

#include "foundation/format_buffer.h"

// Shows the error heading and the formatted message in a modal box owned by
// the splash window (when there is one), and records them in the error log.
void ShowErrorDialog(const char* format, ...) OVW_PRINTF_FORMAT(1, 2);

// Shows the fixed critical-failure text; nothing is logged.
void ShowCriticalFailure();
