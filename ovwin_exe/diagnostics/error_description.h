// Descriptions of numeric errors: a tag that names the kind of code with the
// code in hexadecimal and decimal, followed by the system's text for it.
#pragma once

#include "foundation/format_buffer.h"

#include <cstddef>
#include <cstdint>

enum ErrorCodeKind : int
{
    kErrorKindWin32 = 0,
    kErrorKindNtStatus = 1,
    kErrorKindHResult = 2,
    kErrorKindErrno = 3,
};

// "[WIN32 0x%08x/C%04d]" and its siblings: the whole code in hexadecimal,
// then its low 16 bits in decimal. Returns the tag's length, or 0 when it
// could not be built.
int FormatErrorTag(uint32_t code, char* destination, int kind);

// Joins a tag and the system's text for the code, "%s %s", or "%s Unknown
// Error" when the system had none. The destination is zero-filled first and
// stays empty when the description does not fit.
void ComposeErrorDescription(const char* tag, const char* systemText, char* destination,
                             std::size_t capacity);

// Writes one error line: the caller's message, "; " and the Win32 tag of the
// code (no system text).
void ErrorLogWin32(uint32_t code, const char* format, ...) OVW_PRINTF_FORMAT(2, 3);

// The full description of a code of any kind, with the system's text
// (error_description_win.cpp). A code without a system text is described
// with "Unknown Error" and the failed look-up is logged as an error.
// Returns the destination, so a description can stand in a log call.
const char* FormatErrorString(uint32_t code, char* destination, std::size_t capacity, int kind);
const char* FormatErrorString(uint32_t code, char* destination, std::size_t capacity);
const char* FormatErrnoString(int code, char* destination); // destination of kErrorTextCapacity bytes
