#include "text/text.h"

size_t TextLength(const char* text)
{
    size_t length = 0;

    while (text[length] != '\0')
        length++;
    return length;
}

const char* FindSubstring(const char* text, const char* part)
{
    size_t i;

    if (*part == '\0')
        return text;
    // A machine lists thousands of device keys: most places fail on the first character.
    for (; *text != '\0'; text++) {
        if (*text != *part)
            continue;
        for (i = 1; part[i] != '\0' && text[i] == part[i]; i++)
            ;
        if (part[i] == '\0')
            return text;
    }
    return NULL;
}

char* FindCharacter(char* text, char character)
{
    for (; *text != '\0'; text++) {
        if (*text == character)
            return text;
    }
    return NULL;
}

char* FindLastCharacter(char* text, char character)
{
    char* last = NULL;

    for (; *text != '\0'; text++) {
        if (*text == character)
            last = text;
    }
    return last;
}

static char FoldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

BOOL SameTextIgnoringCase(const char* a, const char* b)
{
    for (; *a != '\0' && FoldAscii(*a) == FoldAscii(*b); a++, b++)
        ;
    return FoldAscii(*a) == FoldAscii(*b);
}

void ClearBytes(void* buffer, size_t size)
{
    unsigned char* bytes = (unsigned char*)buffer;

    while (size-- > 0)
        *bytes++ = 0;
}

void CopyBytes(void* target, const void* source, size_t size)
{
    unsigned char* to = (unsigned char*)target;
    const unsigned char* from = (const unsigned char*)source;

    while (size-- > 0)
        *to++ = *from++;
}
