// A run's removals as they lie in the hive files: the record of changes
// taken through the layout the run was loaded with, so that they can be
// written into the files, or played again on the hives loaded another way.
#pragma once

#include <string>
#include <vector>

#include "apply/hive_apply.h"
#include "hives/hive_layout.h"
#include "input/hive_files.h"
#include "run/preview.h"
#include "win32sim/registry.h"

namespace qalm {

struct HiveValueName {
    HiveKey key;
    std::string name;  // "" is the default value
};

struct HiveRemovals {
    std::vector<HiveKey> keys;          // the top of each removed subtree
    std::vector<HiveValueName> values;  // removed from keys that stay
    // What no hive file holds or takes, for the one who writes: keys and
    // values outside the hives, and anything added or changed.
    std::vector<std::string> notInHives;
};

// The run's changes, the 64-bit twin's first where the program handed over to it.
HiveRemovals ToHiveRemovals(const PreviewResult& run, const HiveLayout& layout);

// The same removals on a registry loaded through another layout. Throws
// std::logic_error when a key or value is not there: the registry was not
// loaded from the hives these removals came from.
void ReplayRemovals(const HiveRemovals& removals, const HiveLayout& layout, win32sim::Registry& registry);

// Every run's removals, by hive file, for the writer: only the subtrees' tops
// and the values of keys that stay, nothing inside a subtree removed by the
// same or another run. Throws OfflineError when a run removed, added or
// changed anything a hive cannot take.
std::vector<offline::HiveChanges> ChangesToWrite(const std::vector<HiveRemovals>& runs, const HiveFiles& files);

}  // namespace qalm
