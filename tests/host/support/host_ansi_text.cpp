#include "support/host_ansi_text.h"

#include "foundation/ansi_text.h"

#include <cctype>

namespace
{
bool doubleByte = false;

char Upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
} // namespace

namespace host_ansi_text
{
void UseDoubleByteCodePage(bool enabled)
{
    doubleByte = enabled;
}
} // namespace host_ansi_text

bool AnsiIsLeadByte(unsigned char byte)
{
    return doubleByte && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

bool AnsiEqualsIgnoreCase(const char* left, const char* right)
{
    for (; *left != '\0' && *right != '\0'; ++left, ++right)
    {
        if (Upper(*left) != Upper(*right))
        {
            return false;
        }
    }
    return *left == *right;
}

void AnsiToUpper(char* text, std::size_t capacity)
{
    for (std::size_t i = 0; i < capacity && text[i] != '\0'; ++i)
    {
        if (AnsiIsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0')
        {
            ++i; // leave the trail byte
            continue;
        }
        text[i] = Upper(text[i]);
    }
}
