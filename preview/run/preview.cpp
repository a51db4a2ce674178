#include "run/preview.h"

namespace qalm {

bool IsDeviceInstallerRequest(const win32sim::JournalEntry& entry)
{
    return entry.call == "SetupDiOpenDeviceInfoA" || entry.call == "SetupDiCallClassInstaller";
}

bool IsServiceManagerRequest(const win32sim::JournalEntry& entry)
{
    return entry.call == "OpenSCManagerA" || entry.call == "OpenServiceA" || entry.call == "ControlService" ||
           entry.call == "DeleteService";
}

PreviewResult RunPreview(win32sim::Machine& machine, std::vector<std::string> sources)
{
    PreviewResult result;
    result.platform = machine.platform;
    result.sources = std::move(sources);

    const RegistryRecording recording(machine.registry);
    result.keysBefore = recording.KeyCount();
    result.valuesBefore = recording.ValueCount();

    machine.journal.Clear();  // so that it holds this run's calls alone
    result.run = RunProgram(machine);
    result.changes = recording.Changes();

    for (const win32sim::JournalEntry& entry : machine.journal.Entries()) {
        if (IsDeviceInstallerRequest(entry))
            result.deviceInstallerRequests.push_back(entry);
        else if (IsServiceManagerRequest(entry))
            result.serviceManagerRequests.push_back(entry);
    }
    result.stillPresent = RunCheck(machine, result.run.platformMode);
    return result;
}

}  // namespace qalm
