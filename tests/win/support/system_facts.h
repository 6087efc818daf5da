// The system information record as a test needs it, filled by hand: the
// launcher's own loader is not what these tests are about.
#pragma once

#include <string>

// Windows 7 or later (or an older system), every group of facts loaded,
// not under WOW64, and no rights beyond a standard user's.
void UseSystemFacts(bool win7OrGreater);

// The "DEBUG X " tag, the space after it and the indentation of a depth.
std::string DeveloperLine(int depth, const std::string& message);
std::string DiagnosticLine(int depth, const std::string& message);
