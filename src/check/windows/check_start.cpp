#include <windows.h>

#include "check/check.h"

// The command line after the program's name, which may be quoted.
static const char* SkipProgramName(const char* commandLine)
{
    if (*commandLine == '"') {
        commandLine++;
        while (*commandLine != '\0' && *commandLine != '"')
            commandLine++;
        if (*commandLine == '"')
            commandLine++;
    } else {
        while (*commandLine != '\0' && *commandLine != ' ' && *commandLine != '\t')
            commandLine++;
    }
    return commandLine;
}

// The check starts like the uninstaller, without a C run-time: its result
// ends the process as the exit code.
extern "C" __attribute__((force_align_arg_pointer)) void WINAPI CheckStart(void)
{
    ExitProcess((UINT)CheckMain(SkipProgramName(GetCommandLineA())));
}
