// The version record of an executable or library, as GetLibraryVersion reads
// it from the file's version resource.
#pragma once

#include "foundation/text_limits.h"

#include <cstdint>

struct LibraryVersion
{
    uint32_t Major;    // high word of the file version's first half
    uint32_t Minor;    // low word of it
    uint32_t Build;    // high word of the second half
    uint32_t Revision; // low word of it
    char ProductName[kNameCapacity];
    char CompanyName[kNameCapacity];
    char FileDescription[kNameCapacity];
    char LegalCopyright[kNameCapacity];
};

// The version record of an executable or library; zeros and empty texts
// where the file has no version resource or lacks a string
// (library_version_win.cpp).
LibraryVersion GetLibraryVersion(const char* path);
