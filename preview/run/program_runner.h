// Runs the uninstaller's WinMain on a stand-in machine, as the Windows
// start-up code would in a fresh process.
#pragma once

#include <string>

#include "win32sim/machine.h"

namespace qalm {

struct ProgramRun {
    int platformMode = 0;  // what DetectPlatformMode chose
    std::string printed;   // everything written to standard output
    int exitCode = 0;
};

// The machine's journal is cleared first, so afterwards it holds this run's calls.
ProgramRun RunProgram(win32sim::Machine& machine);

}  // namespace qalm
