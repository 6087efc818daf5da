// Administrator rights through User Account Control for the steps that need
// them: the elevation request, its dialog, and the restart of the launcher
// as an elevated copy of itself.
#pragma once

#include "sysinfo/system_info.h"

#include <cstddef>

// Set when the person chose "Cancel" in the elevation dialog, never
// cleared: nobody is asked twice in one start.
extern bool ElevationRefused;

enum class ElevationAnswer
{
    Grant,
    Refuse,
    AskUser, // only the person at the screen can decide: the dialog
};

struct ElevationDecision
{
    ElevationAnswer Answer;
    const char* Line; // the level-1 line that says why; null when there is none
};

// What a request for administrator rights comes to, from the rights facts
// and an earlier refusal in this start.
[[nodiscard]] ElevationDecision DecideElevationRequest(const SystemInfoRecord& facts, bool refused);

// The argument text this launcher was started with (empty when it did not
// fit), handed down by the launcher while it initialises: the elevated copy
// is started with it and " -el".
void SetRestartArguments(const char* argumentText);

// The parameters of the elevated copy: the restart arguments followed by
// " -el", or " -el" alone when both do not fit in a path's capacity.
void FormatRestartParameters(char* destination, std::size_t capacity);

// True when the caller may go on with an administrative step. May end the
// process: the elevated copy of the launcher then takes over.
[[nodiscard]] bool RequestElevatedRights();
