// Runs the uninstaller's WinMain on a stand-in machine, as the Windows
// start-up code would in a fresh process: the one way the preview and the
// tests run the program.
#pragma once

#include <string>

#include "win32sim/machine.h"

namespace qalm {

struct ProgramRun {
    int platformMode = 0;  // what DetectPlatformMode chose
    std::string printed;   // everything written to standard output
    int exitCode = 0;
};

// The machine's journal gets this run's calls after whatever it held.
ProgramRun RunProgram(win32sim::Machine& machine);

}  // namespace qalm
