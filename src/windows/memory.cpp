#include <stddef.h>

// The compiler may call these for block clears and copies even in code that
// names neither; without a C run-time they live here.

extern "C" void* memset(void* buffer, int value, size_t size)
{
    unsigned char* bytes = (unsigned char*)buffer;

    while (size-- > 0)
        *bytes++ = (unsigned char)value;
    return buffer;
}

extern "C" void* memcpy(void* target, const void* source, size_t size)
{
    unsigned char* to = (unsigned char*)target;
    const unsigned char* from = (const unsigned char*)source;

    while (size-- > 0)
        *to++ = *from++;
    return target;
}
