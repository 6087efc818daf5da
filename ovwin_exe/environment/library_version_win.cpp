#include "environment/library_version.h"

#include "diagnostics/log.h"
#include "environment/fs_redirection.h"
#include "foundation/format_buffer.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace
{
constexpr std::size_t kQueryPathCapacity = 255;

struct VersionString
{
    const char* name;
    char (LibraryVersion::*field)[kNameCapacity];
};

// Read in this order; a missing one leaves its field empty.
const VersionString kVersionStrings[] = {
    {"ProductName", &LibraryVersion::ProductName},
    {"CompanyName", &LibraryVersion::CompanyName},
    {"FileDescription", &LibraryVersion::FileDescription},
    {"LegalCopyright", &LibraryVersion::LegalCopyright},
};

struct LanguageAndCodePage
{
    WORD language;
    WORD codePage;
};

void ReadVersionResource(const std::vector<char>& resource, LibraryVersion& version)
{
    void* block = nullptr;
    UINT length = 0;
    if (VerQueryValueA(resource.data(), "\\", &block, &length) && length != 0)
    {
        const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
        if (fixed->dwSignature == 0xFEEF04BD)
        {
            version.Major = HIWORD(fixed->dwFileVersionMS);
            version.Minor = LOWORD(fixed->dwFileVersionMS);
            version.Build = HIWORD(fixed->dwFileVersionLS);
            version.Revision = LOWORD(fixed->dwFileVersionLS);
        }
    }

    if (!VerQueryValueA(resource.data(), "\\VarFileInfo\\Translation", &block, &length) ||
        length < sizeof(LanguageAndCodePage))
    {
        return;
    }
    const LanguageAndCodePage* translation = static_cast<const LanguageAndCodePage*>(block);
    for (const VersionString& entry : kVersionStrings)
    {
        char query[kQueryPathCapacity];
        FormatToBuffer(query, sizeof(query), "\\StringFileInfo\\%04x%04x\\%s", translation->language,
                       translation->codePage, entry.name);
        void* text = nullptr;
        UINT textLength = 0;
        if (VerQueryValueA(resource.data(), query, &text, &textLength) && textLength != 0)
        {
            CopyToBuffer(version.*(entry.field), kNameCapacity, static_cast<const char*>(text));
        }
    }
}
} // namespace

LibraryVersion GetLibraryVersion(const char* path)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    LibraryVersion version;
    std::memset(&version, 0, sizeof(version));

    FunctionTrace trace("GetLibraryVersion");
    if (size == 0)
    {
        return version;
    }
    std::vector<char> resource(size);
    if (!DisableFSCompatibility())
    {
        return version;
    }
    if (GetFileVersionInfoA(path, 0, size, resource.data()))
    {
        ReadVersionResource(resource, version);
    }
    EnableFSCompatibility();
    return version;
}
