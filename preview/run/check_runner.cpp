#include "run/check_runner.h"

#include <sstream>

#include "check/check.h"
#include "run/stdout_capture.h"

namespace qalm {

CheckRun RunCheck(win32sim::Machine& machine, int platformMode)
{
    win32sim::MachineScope scope(machine);
    CheckRun run;
    StdoutCapture capture;
    run.exitCode = ::RunCheck(platformMode);

    std::istringstream printed(capture.Finish());
    std::string line;
    while (std::getline(printed, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        run.lines.push_back(line);
    }
    return run;
}

}  // namespace qalm
