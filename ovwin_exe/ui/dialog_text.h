// The texts of the error box, built without the platform.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <memory>

// The whole formatted message in a block of exactly its size; null when the
// format cannot be applied or the memory cannot be had (the caller then
// shows nothing rather than a part).
std::unique_ptr<char[]> FormatWholeMessage(const char* format, va_list arguments);

// "%s\n\n%s": the heading, an empty line and the message, in a buffer of the
// given capacity. A message too long for it is shortened, marked with " (...)",
// rather than left out.
void BuildErrorBoxText(const char* heading, const char* message, char* destination, std::size_t capacity);
