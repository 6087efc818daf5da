#include "environment/elevation.h"

#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"

bool ElevationRefused = false;

namespace
{
char RestartArguments[kPathCapacity] = "";
} // namespace

ElevationDecision DecideElevationRequest(const SystemInfoRecord& facts, bool refused)
{
    using A = ElevationAnswer;
    if (!facts.IsWin7OrGreater)
    {
        if (facts.IsAdminInvoked)
        {
            return {
                A::Grant,
                "RequestElevatedRights: Process is invoked as admin. No elevation is necessary on this OS."};
        }
        return {A::Refuse, "RequestElevatedRights: Process is NOT invoked as admin. Process must have admin "
                           "privileges to proceed."};
    }
    if (!facts.IsUacEnabled)
    {
        if (facts.IsAdminInvoked)
        {
            return {A::Grant, nullptr};
        }
        return {A::Refuse, "RequestElevatedRights: UAC appears to be disabled, and process is NOT invoked as "
                           "admin. Process must have admin privileges to proceed."};
    }
    if (facts.IsProcessElevated)
    {
        return {A::Grant, "RequestElevatedRights: Process has UAC elevation privileges."};
    }
    if (facts.IsAdminInvoked)
    {
        return {A::Grant, "RequestElevatedRights: Process DOES NOT have UAC elevation privileges, but is "
                          "running as an admin. This should be OK."};
    }
    if (refused)
    {
        return {A::Refuse, "RequestElevatedRights: Process DOES NOT have UAC elevation privileges and "
                           "process is NOT invoked as admin. Previous elevation request was denied. Process "
                           "must have admin privileges to proceed."};
    }
    return {A::AskUser, "RequestElevatedRights: Process DOES NOT have UAC elevation privileges or admin "
                        "rights. We will prompt to restart with elevated status."};
}

void SetRestartArguments(const char* argumentText)
{
    if (!CopyToBuffer(RestartArguments, sizeof(RestartArguments), argumentText))
    {
        RestartArguments[0] = '\0'; // a cut argument would reach the copy changed
    }
}

void FormatRestartParameters(char* destination, std::size_t capacity)
{
    if (FormatToBuffer(destination, capacity, "%s -el", RestartArguments) < 0)
    {
        // The copy still learns that it is the elevated restart.
        FormatToBuffer(destination, capacity, " -el");
    }
}
