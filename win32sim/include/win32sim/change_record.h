// What changed in a registry since it began to record, enough to tell the
// state before from the state now without a copy of either: removed keys and
// replaced data stay in the registry's memory, so the record points at them.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "win32sim/registry.h"

namespace win32sim {

struct SubtreeSize {
    size_t keys = 0;  // the top key included
    size_t values = 0;
};

struct RemovedKey {
    const RegKey* parent;  // where it hung: the top of a removed subtree is the one whose parent stays
    std::string path;
    SubtreeSize before;  // as it was when recording began
};

struct ChangeRecord {
    std::vector<const RegKey*> addedKeys;  // made below keys that were there before, in the order made
    std::vector<RemovedKey> removedKeys;   // keys that were there before, in the order removed
    // Of such keys whose values changed: their values as they were, in name order.
    std::unordered_map<const RegKey*, std::vector<RegValue>> valuesBefore;
};

}  // namespace win32sim
