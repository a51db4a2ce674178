#include "run/program_runner.h"

#include <windows.h>

#include "platform/platform_mode.h"
#include "run/stdout_capture.h"

namespace qalm {

ProgramRun RunProgram(win32sim::Machine& machine)
{
    win32sim::MachineScope scope(machine);
    ProgramRun run;
    StdoutCapture capture;
    static char emptyCommandLine[] = "";
    run.exitCode = WinMain(nullptr, nullptr, emptyCommandLine, 0);
    run.printed = capture.Finish();
    return run;
}

int DetectedMode(win32sim::Machine& machine)
{
    win32sim::MachineScope scope(machine);
    return DetectPlatformMode();
}

}  // namespace qalm
