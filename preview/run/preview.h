// One preview: the program run on a loaded machine, with what it asked of the
// platform and what it changed. Usable from other code (tests, the Wine suite).
#pragma once

#include <string>
#include <vector>

#include "run/check_runner.h"
#include "run/program_runner.h"
#include "run/registry_changes.h"
#include "win32sim/journal.h"
#include "win32sim/machine.h"

namespace qalm {

struct PreviewResult {
    win32sim::Platform platform;
    std::vector<std::string> sources;  // the files read, or the sample's name
    size_t keysBefore = 0;
    size_t valuesBefore = 0;
    std::vector<win32sim::JournalEntry> deviceInstallerRequests;
    std::vector<win32sim::JournalEntry> serviceManagerRequests;
    RegistryChanges changes;
    ProgramRun run;
    CheckRun stillPresent;  // the check after the run
};

// Runs the program on the machine as it is loaded; the machine keeps the after-state.
PreviewResult RunPreview(win32sim::Machine& machine, std::vector<std::string> sources);

// The calls that make a request of the device installer or the service control manager.
bool IsDeviceInstallerRequest(const win32sim::JournalEntry& entry);
bool IsServiceManagerRequest(const win32sim::JournalEntry& entry);

}  // namespace qalm
