// The texts of the error box, built without the platform.
#pragma once

#include <cstddef>

// "%s\n\n%s": the heading, an empty line and the message, in a buffer of the
// given capacity. A message too long for it is shortened, marked with " (...)",
// rather than left out.
void BuildErrorBoxText(const char* heading, const char* message, char* destination, std::size_t capacity);
