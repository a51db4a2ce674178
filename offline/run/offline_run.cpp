#include "run/offline_run.h"

#include <algorithm>

#include "product/product.h"
#include "run/program_runner.h"
#include "win32sim/machine.h"

namespace qalm {
namespace {

constexpr std::string_view kHardwareKey = "HARDWARE";
constexpr char kImagePathValue[] = "ImagePath";

std::vector<std::string> Sources(const HiveFiles& files)
{
    std::vector<std::string> sources;
    for (const HiveFile& file : files.files)
        sources.push_back(file.path);
    return sources;
}

bool IsUnderHardware(std::string_view path)
{
    return path.size() >= kHardwareKey.size() &&
           win32sim::EqualsIgnoringCase(path.substr(0, kHardwareKey.size()), kHardwareKey) &&
           (path.size() == kHardwareKey.size() || path[kHardwareKey.size()] == '\\');
}

// The registry is left as the run leaves it.
ControlSetRun RunOnce(win32sim::Registry& registry, const OfflineHives& hives, const win32sim::Platform& platform,
                      unsigned controlSet)
{
    ControlSetRun run;
    run.controlSet = controlSet;
    if (const win32sim::RegKey* service = registry.Find(ServiceKey)) {
        run.serviceInstalled = true;
        const win32sim::RegValue* image = service->FindValue(kImagePathValue);
        if (image && (image->Type() == REG_SZ || image->Type() == REG_EXPAND_SZ)) {
            run.driverImagePath.assign(image->Data().begin(), image->Data().end());
            run.driverImagePath.resize(std::min(run.driverImagePath.find('\0'), run.driverImagePath.size()));
        }
    }

    // Each run on a machine of its own: nothing of a run before it (a service
    // marked for deletion, a device removed) is left but its registry.
    win32sim::Machine machine(platform);
    machine.registry = std::move(registry);
    // The product ships both builds: on 64-bit Windows the program finds its twin, as in the preview.
    PlaceNativeTwin(machine, true);
    run.result =
        RunPreview(machine, Sources(hives.Files()), [](std::string_view call) { return call == "RegOpenKeyExA"; });
    for (const win32sim::JournalEntry& open : run.result.otherCalls) {
        if (IsUnderHardware(open.target) &&
            std::find(run.hardwareKeys.begin(), run.hardwareKeys.end(), open.target) == run.hardwareKeys.end())
            run.hardwareKeys.push_back(open.target);
    }
    run.result.otherCalls.clear();
    run.removals = ToHiveRemovals(run.result, hives.Layout(controlSet));
    registry = std::move(machine.registry);
    return run;
}

// The hives loaded with controlSet current, after the removals of the runs so far.
win32sim::Registry LoadAfter(const OfflineHives& hives, unsigned controlSet, const std::vector<ControlSetRun>& runs)
{
    win32sim::Registry registry = hives.Load(controlSet);
    for (const ControlSetRun& run : runs)
        ReplayRemovals(run.removals, hives.Layout(controlSet), registry);
    return registry;
}

}  // namespace

OfflineRun RunOffline(const OfflineHives& hives, win32sim::Registry loaded, const win32sim::Platform& platform,
                      bool allControlSets)
{
    OfflineRun offline;
    const unsigned current = hives.CurrentSet();
    offline.after = std::move(loaded);
    offline.runs.push_back(RunOnce(offline.after, hives, platform, current));
    if (!allControlSets || !hives.Sets() || hives.Sets()->Others().empty())
        return offline;

    for (unsigned other : hives.Sets()->Others()) {
        win32sim::Registry registry = LoadAfter(hives, other, offline.runs);
        offline.runs.push_back(RunOnce(registry, hives, platform, other));
    }
    offline.after = LoadAfter(hives, current, offline.runs);
    return offline;
}

}  // namespace qalm
