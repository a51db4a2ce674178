#include <windows.h>

#include "platform/procedure.h"
#include "platform/wow64.h"

typedef BOOL(WINAPI* IS_WOW64_PROCESS)(HANDLE process, PBOOL wow64);

BOOL RunsUnderWow64(void)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    IS_WOW64_PROCESS isWow64Process;
    BOOL wow64 = FALSE;

    if (kernel == NULL)
        return FALSE;
    // Windows before XP SP2 and Server 2003 SP1 lacks it, and the program must
    // start there all the same: it is looked up, never imported.
    isWow64Process = (IS_WOW64_PROCESS)(ANY_PROCEDURE)GetProcAddress(kernel, "IsWow64Process");
    if (isWow64Process == NULL || !isWow64Process(GetCurrentProcess(), &wow64))
        return FALSE;
    return wow64;
}
