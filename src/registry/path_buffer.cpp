#include "registry/path_buffer.h"

#include <string.h>

BOOL CopyPath(char* buffer, size_t size, const char* text)
{
    size_t length = strlen(text);
    if (length >= size)
        return FALSE;
    memcpy(buffer, text, length + 1);
    return TRUE;
}

BOOL AppendPath(char* buffer, size_t size, const char* text)
{
    size_t used = strlen(buffer);
    if (used >= size)
        return FALSE;
    return CopyPath(buffer + used, size - used, text);
}

BOOL JoinPath(char* buffer, size_t size, const char* parent, const char* name)
{
    size_t parentLength = strlen(parent);

    if (parentLength + 1 + strlen(name) >= size)
        return FALSE;
    memcpy(buffer, parent, parentLength);
    buffer[parentLength] = '\\';
    return CopyPath(buffer + parentLength + 1, size - parentLength - 1, name);
}
