#include <windows.h>

#include "entry/handover.h"
#include "platform/wow64.h"
#include "product/product.h"
#include "registry/path_buffer.h"
#include "text/text.h"

#if !defined(_WIN64)

// This program's folder with the twin's name in place of its own. FALSE when
// the program's path or the twin's does not fit (a path cut short is never
// used), and for a program of the twin's name.
static BOOL ComposeTwinPath(char* path, size_t size)
{
    // XP fills a buffer that is too small to the last byte, unterminated.
    DWORD length = GetModuleFileNameA(NULL, path, (DWORD)size);
    char* separator;

    if (length == 0 || length >= size)
        return FALSE;
    separator = FindLastCharacter(path, '\\');
    // A program that bears the twin's name (a copy of this one, say) would
    // start itself again and again.
    if (separator == NULL || SameTextIgnoringCase(separator + 1, NativeTwinProgram))
        return FALSE;
    separator[1] = '\0';
    return AppendPath(path, size, NativeTwinProgram);
}

void HandOverToNativeTwin(void)
{
    char path[MAX_PATH];
    char commandLine[MAX_PATH + 2];  // the path in quotes
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;

    if (!RunsUnderWow64() || !ComposeTwinPath(path, sizeof(path)))
        return;
    if (!CopyPath(commandLine, sizeof(commandLine), "\"") || !AppendPath(commandLine, sizeof(commandLine), path)
        || !AppendPath(commandLine, sizeof(commandLine), "\""))
        return;

    ClearBytes(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    // The full path as the program to run: no search of other folders.
    if (!CreateProcessA(path, commandLine, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup, &process))
        return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

#endif
