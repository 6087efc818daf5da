// Text rules of the system's ANSI code page, which may be a double-byte one:
// there a lead byte and the byte after it form one character, and the second
// byte may look like a space or a backslash. Provided by the platform.
#pragma once

#include <cstddef>

[[nodiscard]] bool AnsiIsLeadByte(unsigned char byte);
// Case-insensitive equality by the code page's rules.
[[nodiscard]] bool AnsiEqualsIgnoreCase(const char* left, const char* right);
// Upper-cases the text in place by the code page's rules.
void AnsiToUpper(char* text, std::size_t capacity);

// The first and the last occurrence of a single-byte character, stepping
// over double-byte characters; null when there is none.
const char* AnsiFindFirst(const char* text, char wanted);
const char* AnsiFindLast(const char* text, char wanted);
