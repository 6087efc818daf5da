#include "foundation/ansi_text.h"

namespace
{
// Steps to the next character: two bytes for a lead byte followed by a
// trail byte, one otherwise.
const char* NextCharacter(const char* p)
{
    if (AnsiIsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
    {
        return p + 2;
    }
    return p + 1;
}
} // namespace

const char* AnsiFindFirst(const char* text, char wanted)
{
    for (const char* p = text; *p != '\0'; p = NextCharacter(p))
    {
        if (*p == wanted)
        {
            return p;
        }
    }
    return nullptr;
}

const char* AnsiFindLast(const char* text, char wanted)
{
    const char* found = nullptr;
    for (const char* p = text; *p != '\0'; p = NextCharacter(p))
    {
        if (*p == wanted)
        {
            found = p;
        }
    }
    return found;
}
