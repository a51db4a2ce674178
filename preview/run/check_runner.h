// Runs the check's own routine (the one qalm-check.exe runs) on a stand-in
// machine: what is still present after the uninstaller's run.
#pragma once

#include <string>
#include <vector>

#include "win32sim/machine.h"

namespace qalm {

struct CheckRun {
    std::vector<std::string> lines;  // one per item still present, the result line last
    int exitCode = 0;
};

// In the platform mode the program chose; the check reads the machine and
// leaves it as it is, its calls going to the journal after the program's.
CheckRun RunCheck(win32sim::Machine& machine, int platformMode);

}  // namespace qalm
