#include "environment/known_folders.h"

#include "foundation/ansi_text.h"
#include "foundation/format_buffer.h"

#include <cstring>

KnownFoldersRecord KnownFoldersList;

namespace
{
const SpecialFolderRule kSpecialFolderRules[] = {
    {L"", "GetSpecialFolder: Could not retrieve Windows folder location. This operation may require rights "
          "that are being prevent by a system policy."},
    {L"",
     "GetSpecialFolder: Could not retrieve OS System32 folder location. This operation may require rights "
     "that are being prevent by a system policy."},
    {L"",
     "GetSpecialFolder: Could not retrieve OS SysWOW64 folder location. This operation may require rights "
     "that are being prevent by a system policy."},
    {L"", nullptr},
    {L"\\Altavy Solutions", nullptr},
    {L"\\Altavy", "GetSpecialFolder: Could not retrieve Program Data folder location. This operation may "
                  "require rights that are being prevent by a system policy."},
    {L"", nullptr},
};

// Steps over double-byte characters so that a trailing byte that looks like
// the character is not taken for it.
const char* LastCharacter(const char* text)
{
    const char* last = nullptr;
    for (const char* p = text; *p != '\0'; ++p)
    {
        last = p;
        if (AnsiIsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
        {
            ++p;
        }
    }
    return last;
}

bool StartsWith(const char* text, const char* prefix, std::size_t prefixLength)
{
    return std::strncmp(text, prefix, prefixLength) == 0;
}
} // namespace

const SpecialFolderRule* FindSpecialFolderRule(uint32_t kind)
{
    return kind < sizeof(kSpecialFolderRules) / sizeof(kSpecialFolderRules[0]) ? &kSpecialFolderRules[kind]
                                                                               : nullptr;
}

bool EndsWithBackslash(const char* path)
{
    const char* last = LastCharacter(path);
    return last != nullptr && *last == '\\';
}

void AppendTrailingBackslash(char* path, std::size_t capacity)
{
    if (path[0] != '\0' && !EndsWithBackslash(path))
    {
        AppendToBuffer(path, capacity, "\\");
    }
}

bool IsCacheDefaulted(const char* cacheParent, const char* windowsFolder)
{
    const std::size_t length = std::strlen(windowsFolder);
    if (length == 0)
    {
        return cacheParent[0] == '\0';
    }
    // Matches may only begin where a character begins.
    for (const char* p = cacheParent; *p != '\0'; ++p)
    {
        if (StartsWith(p, windowsFolder, length))
        {
            return true;
        }
        if (AnsiIsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
        {
            ++p;
        }
    }
    return false;
}
