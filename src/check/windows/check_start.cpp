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

int main(void)
{
    return CheckMain(SkipProgramName(GetCommandLineA()));
}
