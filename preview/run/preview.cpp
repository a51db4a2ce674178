#include "run/preview.h"

#include <cstddef>

namespace qalm {

bool IsDeviceInstallerRequest(std::string_view call)
{
    return call == "SetupDiOpenDeviceInfoA" || call == "SetupDiCallClassInstaller";
}

bool IsServiceManagerRequest(std::string_view call)
{
    return call == "OpenSCManagerA" || call == "OpenServiceA" || call == "ControlService" || call == "DeleteService";
}

PreviewResult RunPreview(win32sim::Machine& machine, std::vector<std::string> sources, const CallFilter& alsoKeep)
{
    PreviewResult result;
    result.platform = machine.platform;
    result.sources = std::move(sources);

    const RegistryRecording recording(machine.registry);
    result.keysBefore = recording.KeyCount();
    result.valuesBefore = recording.ValueCount();

    result.platformMode = DetectedMode(machine);
    machine.journal.Clear();  // so that it holds this run's calls alone
    // and, of those, the requests to the platform's managers the report reads: no memory for the rest
    machine.journal.KeepOnly([&alsoKeep](std::string_view call) {
        return IsDeviceInstallerRequest(call) || IsServiceManagerRequest(call) || (alsoKeep && alsoKeep(call));
    });
    const size_t removalsBefore = machine.removedDevices.size();
    result.run = RunProgram(machine);
    result.changes = recording.Changes();

    // Each remove request that succeeded made the next removal, in order.
    auto removal = machine.removedDevices.begin() + static_cast<std::ptrdiff_t>(removalsBefore);
    for (const win32sim::JournalEntry& entry : machine.journal.Entries()) {
        PlatformRequest request{entry, {}};
        if (entry.call == "SetupDiCallClassInstaller" && entry.result == ERROR_SUCCESS &&
            removal != machine.removedDevices.end())
            request.removedKeys = (removal++)->removedKeys;
        if (IsDeviceInstallerRequest(entry.call))
            result.deviceInstallerRequests.push_back(std::move(request));
        else if (IsServiceManagerRequest(entry.call))
            result.serviceManagerRequests.push_back(std::move(request));
        if (alsoKeep && alsoKeep(entry.call))
            result.otherCalls.push_back(entry);
    }
    result.stillPresent = RunCheck(machine, result.platformMode);
    machine.journal.KeepOnly(nullptr);  // the caller's later runs are journalled whole again
    return result;
}

}  // namespace qalm
