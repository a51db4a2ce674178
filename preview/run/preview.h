// One preview: the program run on a loaded machine, with what it asked of the
// platform and what it changed. Usable from other code (tests, the Wine suite).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regfile/reg_reader.h"
#include "run/check_runner.h"
#include "run/program_runner.h"
#include "run/registry_changes.h"
#include "win32sim/journal.h"
#include "win32sim/machine.h"

namespace qalm {

// A request the program made of the platform, with the keys the platform
// removed in answer to it (the top of each subtree, in the order removed).
// Only the device installer's remove request takes keys of its own accord;
// a deleted service's keys go when its last handle is closed, which is no
// request, and show only among what was removed.
struct PlatformRequest : win32sim::JournalEntry {
    std::vector<std::string> removedKeys;
};

// What the program's 64-bit twin did, run before the program's own sequence.
struct TwinRun {
    int exitCode = 0;
    std::vector<PlatformRequest> deviceInstallerRequests;
    std::vector<PlatformRequest> serviceManagerRequests;
    RegistryChanges changes;
};

// On 64-bit Windows the program starts its 64-bit twin before its own
// sequence: the start request, and the twin's run when it started.
struct Handover {
    PlatformRequest start;
    std::optional<TwinRun> twin;
};

struct PreviewResult {
    win32sim::Platform platform;
    std::vector<std::string> sources;  // the files read, or the sample's name
    SkippedKeys skipped;               // what reading them passed over, the lines left out among it
    size_t keysBefore = 0;
    size_t valuesBefore = 0;
    int platformMode = 0;              // the mode the program chose
    std::optional<Handover> handover;  // only where the program started, or tried to start, its twin
    // The program's own run, after the twin's where it ran.
    std::vector<PlatformRequest> deviceInstallerRequests;
    std::vector<PlatformRequest> serviceManagerRequests;
    RegistryChanges changes;
    ProgramRun run;
    CheckRun stillPresent;                           // the check after the run
    std::vector<win32sim::JournalEntry> otherCalls;  // the program's calls the caller asked to keep, in order
};

// Names the calls a caller reads beyond the requests above.
using CallFilter = std::function<bool(std::string_view call)>;

// Runs the program on the machine as it is loaded; the machine keeps the after-state.
// The journal keeps only what the report reads, and the calls alsoKeep names.
PreviewResult RunPreview(win32sim::Machine& machine, std::vector<std::string> sources,
                         const CallFilter& alsoKeep = nullptr);

// The calls that make a request of the device installer or the service
// control manager, or start another program.
bool IsDeviceInstallerRequest(std::string_view call);
bool IsServiceManagerRequest(std::string_view call);
bool IsProgramStart(std::string_view call);

}  // namespace qalm
