// Standard output and error: the process's own, so a capture of them sees
// what the program writes.
#include <windows.h>

#include <unistd.h>

extern "C" {

HANDLE WINAPI GetStdHandle(DWORD which)
{
    if (which == STD_OUTPUT_HANDLE)
        return reinterpret_cast<HANDLE>(static_cast<intptr_t>(STDOUT_FILENO + 1));
    if (which == STD_ERROR_HANDLE)
        return reinterpret_cast<HANDLE>(static_cast<intptr_t>(STDERR_FILENO + 1));
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI WriteFile(HANDLE file, const void* data, DWORD size, LPDWORD written, void*)
{
    int descriptor = static_cast<int>(reinterpret_cast<intptr_t>(file)) - 1;
    ssize_t result = ::write(descriptor, data, size);
    if (written)
        *written = result < 0 ? 0 : static_cast<DWORD>(result);
    return result == static_cast<ssize_t>(size);
}

}  // extern "C"
