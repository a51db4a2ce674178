#include "registry/path_buffer.h"

#include "text/text.h"

BOOL CopyPath(char* buffer, size_t size, const char* text)
{
    size_t length = TextLength(text);
    if (length >= size)
        return FALSE;
    CopyBytes(buffer, text, length + 1);
    return TRUE;
}

BOOL AppendPath(char* buffer, size_t size, const char* text)
{
    size_t used = TextLength(buffer);
    if (used >= size)
        return FALSE;
    return CopyPath(buffer + used, size - used, text);
}

BOOL JoinPath(char* buffer, size_t size, const char* parent, const char* name)
{
    size_t parentLength = TextLength(parent);

    if (parentLength + 1 + TextLength(name) >= size)
        return FALSE;
    CopyBytes(buffer, parent, parentLength);
    buffer[parentLength] = '\\';
    return CopyPath(buffer + parentLength + 1, size - parentLength - 1, name);
}
