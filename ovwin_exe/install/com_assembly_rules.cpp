#include "install/com_assembly_rules.h"

#include "foundation/format_buffer.h"

bool IsNewerFileVersion(const LibraryVersion& candidate, const LibraryVersion& installed)
{
    const uint32_t mine[] = {candidate.Major, candidate.Minor, candidate.Build, candidate.Revision};
    const uint32_t theirs[] = {installed.Major, installed.Minor, installed.Build, installed.Revision};
    for (std::size_t i = 0; i < 4; ++i)
    {
        if (mine[i] != theirs[i])
        {
            return mine[i] > theirs[i];
        }
    }
    return false;
}

void BuildProductLabel(const LibraryVersion& version, char* label, std::size_t capacity)
{
    if (capacity == 0)
    {
        return;
    }
    label[0] = '\0';
    if (version.ProductName[0] == '\0')
    {
        return;
    }
    // Piece by piece, so that a label too long for the log is cut rather
    // than lost.
    AppendToBuffer(label, capacity, "((");
    if (version.CompanyName[0] != '\0')
    {
        AppendToBuffer(label, capacity, version.CompanyName);
        AppendToBuffer(label, capacity, ", ");
    }
    AppendToBuffer(label, capacity, version.ProductName);
    AppendToBuffer(label, capacity, "))");
}

UtilityOutcome RegistrationUtilityOutcome(int32_t exitCode, bool unregistering)
{
    switch (exitCode)
    {
        case 0:
            return {unregistering ? "InstallComponent: DoziZUZ: Assembly un-registered successfully."
                                  : "InstallComponent: DoziZUZ: Assembly registered successfully.",
                    false};
        case 100:
            return {"InstallComponent: DoziZUZ: ERROR!!! Target file is invalid.", true};
        case 200:
            return {"InstallComponent: DoziZUZ: ERROR!!! Target file does not exist.", true};
        case 300:
            return {"InstallComponent: DoziZUZ: ERROR!!! Failed to load assembly.", true};
        case 400:
        case 500:
            // The two texts differ by the blank after "to".
            return {unregistering ? "InstallComponent: DoziZUZ: ERROR!!! Failed to [un]register assembly."
                                  : "InstallComponent: DoziZUZ: ERROR!!! Failed to[un]register assembly.",
                    true};
        default:
            return {nullptr, false};
    }
}
