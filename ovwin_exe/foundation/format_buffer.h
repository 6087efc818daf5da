// Bounded formatted printing: the one way messages, paths and registry keys
// are built into fixed buffers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#if defined(__MINGW32__)
#define OVW_PRINTF_FORMAT(formatIndex, firstArgument)                                                        \
    __attribute__((format(__MINGW_PRINTF_FORMAT, formatIndex, firstArgument)))
#elif defined(__GNUC__)
#define OVW_PRINTF_FORMAT(formatIndex, firstArgument)                                                        \
    __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define OVW_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

// Writes at most capacity - 1 characters and a terminating NUL and returns the
// number of characters written. A result that does not fit is not written at
// all: the buffer is left empty and the result is -1.
int FormatToBuffer(char* buffer, std::size_t capacity, const char* format, ...) OVW_PRINTF_FORMAT(3, 4);

// A text that is shown or logged as it stands, never read as a format (a
// file name may hold "%"): "%%" becomes "%", as it would in a format without
// arguments, and every other character, "%s" and "%n" included, is copied.
std::string PlainText(const char* text);
// The same into a buffer, with FormatToBuffer's rule for what does not fit.
int FormatTextToBuffer(char* buffer, std::size_t capacity, const char* text);

// The same rules for wide-character buffers.
int FormatToBufferW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...);

// Formats the whole result, however long, into a block of exactly its size;
// null when the format cannot be applied or the memory cannot be had (it
// never throws).
std::unique_ptr<char[]> FormatWholeMessage(const char* format, va_list arguments) OVW_PRINTF_FORMAT(1, 0);

// Appends source to the NUL-terminated text in buffer, keeping the whole at
// most capacity - 1 characters; returns false when source had to be cut.
bool AppendToBuffer(char* buffer, std::size_t capacity, const char* source);

// Copies source into buffer, at most capacity - 1 characters; returns false
// when source had to be cut.
bool CopyToBuffer(char* buffer, std::size_t capacity, const char* source);
