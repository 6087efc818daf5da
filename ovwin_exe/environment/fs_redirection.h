// The WOW64 file-system redirection bracket around file operations that must
// see the real system folders. The state machine stands apart from the calls
// that switch redirection, so that every branch can be exercised on any
// platform; the Windows edition hands in the real calls
// (fs_redirection_win.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// Switch WOW64 file-system redirection off before, and on again after, such
// an operation. A process that does not run under WOW64 is exempt: both
// return at once. A failure to switch back on is a fatal failure.
[[nodiscard]] bool DisableFSCompatibility();
bool EnableFSCompatibility();

// Enabled at start; disabled between a successful switch-off and its
// switch-on; exempt, for good, once the process is found not to run under
// WOW64.
struct RedirectionState
{
    bool Exempt;
    bool Disabled;
    void* SavedToken; // what the switch-off stored, handed back to switch on
};

// The process-wide state behind DisableFSCompatibility and
// EnableFSCompatibility.
extern RedirectionState FsRedirection;

struct RedirectionCalls
{
    // Each returns false on failure with the error code in *error.
    bool (*SwitchOff)(void** savedToken, uint32_t* error);
    bool (*SwitchOn)(void* savedToken, uint32_t* error);
    // The description of an error code for the failure lines.
    void (*Describe)(uint32_t code, char* destination, std::size_t capacity);
};

// True unless switching redirection off failed (an error line is written).
[[nodiscard]] bool DisableRedirection(RedirectionState& state, bool underWow64,
                                      const RedirectionCalls& calls);

// False only when switching redirection back on failed: the error line is
// written and the caller must end the process, which may not go on with
// redirection off.
[[nodiscard]] bool EnableRedirection(RedirectionState& state, const RedirectionCalls& calls);
