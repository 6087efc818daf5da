// Bounded formatted printing: the one way messages, paths and registry keys
// are built into fixed buffers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <memory>

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
int FormatToBufferV(char* buffer, std::size_t capacity, const char* format, va_list arguments);

// Uses a fixed text as the format, without arguments: the text's own "%%"
// become "%". Callers pass only texts of their own making.
int FormatTextToBuffer(char* buffer, std::size_t capacity, const char* text);

// The same rules for wide-character buffers.
int FormatToBufferW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...);

// Formats the whole result, however long, into a block of exactly its size;
// null when the format cannot be applied or the memory cannot be had (it
// never throws).
std::unique_ptr<char[]> FormatWholeMessage(const char* format, va_list arguments);

// Appends source to the NUL-terminated text in buffer, keeping the whole at
// most capacity - 1 characters; returns false when source had to be cut.
bool AppendToBuffer(char* buffer, std::size_t capacity, const char* source);

// Copies source into buffer, at most capacity - 1 characters; returns false
// when source had to be cut.
bool CopyToBuffer(char* buffer, std::size_t capacity, const char* source);
