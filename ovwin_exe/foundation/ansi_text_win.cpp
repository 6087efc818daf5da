#include "foundation/ansi_text.h"

#include <windows.h>

#include <mbstring.h>

bool AnsiIsLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

bool AnsiEqualsIgnoreCase(const char* left, const char* right)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(left),
                    reinterpret_cast<const unsigned char*>(right)) == 0;
}

void AnsiToUpper(char* text, std::size_t capacity)
{
    // CharUpperBuffA knows the code page's letters and leaves trail bytes be.
    std::size_t length = 0;
    while (length < capacity && text[length] != '\0')
    {
        ++length;
    }
    CharUpperBuffA(text, static_cast<DWORD>(length));
}
