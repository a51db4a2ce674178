// The preview of an installation given as its hives: the program run on the
// stand-in loaded from them, once with the current control set as
// CurrentControlSet, and with --all-control-sets once more for each other
// set, on what the runs before it left.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "changes/hive_removals.h"
#include "hives/offline_hives.h"
#include "run/preview.h"
#include "win32sim/platform.h"

namespace qalm {

struct ControlSetRun {
    unsigned controlSet = 0;  // loaded as CurrentControlSet; 0 without a SYSTEM hive
    PreviewResult result;
    HiveRemovals removals;
    // The driver service's key before the run, and its ImagePath ("" when it names none).
    bool serviceInstalled = false;
    std::string driverImagePath;
    // Keys under HKLM\HARDWARE the program asked for: that branch lies in no hive.
    std::vector<std::string> hardwareKeys;
};

struct OfflineRun {
    std::vector<ControlSetRun> runs;  // the current control set's first
    win32sim::Registry after;         // after every run, the current set as CurrentControlSet
};

// loaded: the hives as hives.Load(hives.CurrentSet()) gives them, for the
// first run. Throws OfflineError when the hives cannot be loaded again.
OfflineRun RunOffline(const OfflineHives& hives, win32sim::Registry loaded, const win32sim::Platform& platform,
                      bool allControlSets);

}  // namespace qalm
