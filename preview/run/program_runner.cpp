#include "run/program_runner.h"

#include <windows.h>

#include "platform/platform_mode.h"
#include "product/product.h"
#include "run/stdout_capture.h"

namespace qalm {

const char* const kNativeTwinName = NativeTwinProgram;

namespace {

int RunWinMain()
{
    static char emptyCommandLine[] = "";
    return WinMain(nullptr, nullptr, emptyCommandLine, 0);
}

}  // namespace

void PlaceNativeTwin(win32sim::Machine& machine, bool beside)
{
    if (beside)
        machine.programFolder.files.insert(kNativeTwinName);
    else
        machine.programFolder.files.erase(kNativeTwinName);
}

ProgramRun RunProgram(win32sim::Machine& machine, const std::function<void(int exitCode)>& twinEnded)
{
    // The twin's entry refers to twinEnded: it is registered for this run only.
    class TwinRegistration {
    public:
        TwinRegistration(win32sim::Machine& machine, const std::function<void(int exitCode)>& ended) : machine_(machine)
        {
            machine_.programImages[kNativeTwinName] = win32sim::ProgramImage{64, [&ended] {
                                                                                 const int exitCode = RunWinMain();
                                                                                 if (ended)
                                                                                     ended(exitCode);
                                                                                 return exitCode;
                                                                             }};
        }
        ~TwinRegistration() { machine_.programImages.erase(kNativeTwinName); }
        TwinRegistration(const TwinRegistration&) = delete;
        TwinRegistration& operator=(const TwinRegistration&) = delete;

    private:
        win32sim::Machine& machine_;
    };

    win32sim::MachineScope scope(machine);
    machine.programFolder.runningProgram = kProgramName;
    const TwinRegistration registration(machine, twinEnded);
    ProgramRun run;
    StdoutCapture capture;
    run.exitCode = RunWinMain();
    run.printed = capture.Finish();
    return run;
}

int DetectedMode(win32sim::Machine& machine)
{
    win32sim::MachineScope scope(machine);
    return DetectPlatformMode();
}

}  // namespace qalm
