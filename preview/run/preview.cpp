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

bool IsProgramStart(std::string_view call) { return call == "CreateProcessA"; }

PreviewResult RunPreview(win32sim::Machine& machine, std::vector<std::string> sources, const CallFilter& alsoKeep)
{
    PreviewResult result;
    result.platform = machine.platform;
    result.sources = std::move(sources);

    // Where the twin runs, its share of the changes is taken as it ends and
    // the record starts again for the program's own.
    std::optional<RegistryRecording> recording;
    recording.emplace(machine.registry);
    result.keysBefore = recording->KeyCount();
    result.valuesBefore = recording->ValueCount();

    result.platformMode = DetectedMode(machine);
    machine.journal.Clear();  // so that it holds this run's calls alone
    // and, of those, the requests to the platform's managers the report reads: no memory for the rest
    machine.journal.KeepOnly([&alsoKeep](std::string_view call) {
        return IsDeviceInstallerRequest(call) || IsServiceManagerRequest(call) || IsProgramStart(call) ||
               (alsoKeep && alsoKeep(call));
    });
    const size_t removalsBefore = machine.removedDevices.size();
    std::optional<TwinRun> twin;
    size_t twinEntries = 0;  // the journal's entries before the twin ended: the start request and the twin's
    result.run = RunProgram(machine, [&](int exitCode) {
        twin.emplace();
        twin->exitCode = exitCode;
        twin->changes = recording->Changes();
        twinEntries = machine.journal.Entries().size();
        recording.emplace(machine.registry);
    });
    result.changes = recording->Changes();

    // Each remove request that succeeded made the next removal, in order.
    auto removal = machine.removedDevices.begin() + static_cast<std::ptrdiff_t>(removalsBefore);
    const auto& entries = machine.journal.Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const win32sim::JournalEntry& entry = entries[i];
        PlatformRequest request{entry, {}};
        if (entry.call == "SetupDiCallClassInstaller" && entry.result == ERROR_SUCCESS &&
            removal != machine.removedDevices.end())
            request.removedKeys = (removal++)->removedKeys;
        const bool byTwin = twin && i < twinEntries;
        if (IsProgramStart(entry.call) && !result.handover)
            result.handover = Handover{std::move(request), {}};
        else if (IsDeviceInstallerRequest(entry.call))
            (byTwin ? twin->deviceInstallerRequests : result.deviceInstallerRequests).push_back(std::move(request));
        else if (IsServiceManagerRequest(entry.call))
            (byTwin ? twin->serviceManagerRequests : result.serviceManagerRequests).push_back(std::move(request));
        if (alsoKeep && alsoKeep(entry.call))
            result.otherCalls.push_back(entry);
    }
    if (result.handover)
        result.handover->twin = std::move(twin);
    result.stillPresent = RunCheck(machine, result.platformMode);
    machine.journal.KeepOnly(nullptr);  // the caller's later runs are journalled whole again
    return result;
}

}  // namespace qalm
