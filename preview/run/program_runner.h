// Runs the uninstaller's WinMain on a stand-in machine, as the Windows
// start-up code would in a fresh process: the one way the preview and the
// tests run the program.
#pragma once

#include <functional>
#include <string>

#include "win32sim/machine.h"

namespace qalm {

// The shipped programs' file names.
constexpr const char* kProgramName = "qalm-uninstall.exe";
extern const char* const kNativeTwinName;  // qalm-uninstall64.exe

struct ProgramRun {
    std::string printed;  // everything written to standard output
    int exitCode = 0;
};

// Puts the 64-bit twin beside the program in the machine's program folder,
// or takes it away; it is not there unless put.
void PlaceNativeTwin(win32sim::Machine& machine, bool beside);

// The machine's journal gets this run's calls after whatever it held. The
// program runs as kProgramName; the twin, where its file lies beside it and
// the program starts it, runs the same WinMain as a 64-bit process of the
// machine, and twinEnded is called with its exit code as it ends, before the
// program goes on.
ProgramRun RunProgram(win32sim::Machine& machine, const std::function<void(int exitCode)>& twinEnded = {});

// The mode the program chooses on the machine, asked as the program asks it;
// the journal gets the version query.
int DetectedMode(win32sim::Machine& machine);

}  // namespace qalm
