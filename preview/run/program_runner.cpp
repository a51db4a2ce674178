#include "run/program_runner.h"

#include <windows.h>

#include "entry/entry.h"
#include "run/stdout_capture.h"

namespace qalm {

ProgramRun RunProgram(win32sim::Machine& machine)
{
    win32sim::MachineScope scope(machine);
    PlatformMode = MODE_NONE;  // a fresh process starts with it

    ProgramRun run;
    StdoutCapture capture;
    static char emptyCommandLine[] = "";
    run.exitCode = WinMain(nullptr, nullptr, emptyCommandLine, 0);
    run.printed = capture.Finish();
    run.platformMode = PlatformMode;
    return run;
}

}  // namespace qalm
