// What the COM assembly step decides on its own: whether the launcher's
// copy of a library is newer than the installed one, how a library is
// named in the log, and what the registration utility's exit code means.
#pragma once

#include "environment/library_version.h"

#include <cstddef>
#include <cstdint>

// By file version (not product version), Major, Minor, Build, Revision in
// that order, the first difference deciding.
[[nodiscard]] bool IsNewerFileVersion(const LibraryVersion& candidate, const LibraryVersion& installed);

constexpr std::size_t kProductLabelCapacity = 255;

// "((company, product))", "((product))" without a company, empty without a
// product; cut to the capacity.
void BuildProductLabel(const LibraryVersion& version, char* label, std::size_t capacity);

// What the registration utility's exit code means for one call: the line
// to write (null for none) and whether it is a failure, which goes to the
// error log and, when unregistering, stops the upgrade. Only the codes of
// its own failures count as such; anything else, the -1 of a utility that
// did not start included, lets the installation go on.
struct UtilityOutcome
{
    const char* Line;
    bool Failed;
};
[[nodiscard]] UtilityOutcome RegistrationUtilityOutcome(int32_t exitCode, bool unregistering);
