// Runs the uninstaller's WinMain on a stand-in machine, as the Windows
// start-up code would in a fresh process: the one way the preview and the
// tests run the program.
#pragma once

#include <string>

#include "win32sim/machine.h"

namespace qalm {

struct ProgramRun {
    std::string printed;  // everything written to standard output
    int exitCode = 0;
};

// The machine's journal gets this run's calls after whatever it held.
ProgramRun RunProgram(win32sim::Machine& machine);

// The mode the program chooses on the machine, asked as the program asks it;
// the journal gets the version query.
int DetectedMode(win32sim::Machine& machine);

}  // namespace qalm
