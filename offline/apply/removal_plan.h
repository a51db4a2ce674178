// What is to be removed from one hive, and where it lies in an open handle.
#pragma once

#include <string>
#include <vector>

#include "hive_apply.h"
#include "hive_handle.h"

namespace offline {

// The removals reduced to what changes the hive: each key once and none inside
// another removed key, each value once and none inside a removed key.
struct RemovalPlan {
    std::vector<std::string> keys;
    std::vector<ValueRemoval> values;
    bool Empty() const { return keys.empty() && values.empty(); }
};

// Throws ApplyError for a path that names no key: empty parts, or the root itself.
RemovalPlan PlanRemovals(const HiveChanges& changes);

struct FoundKey {
    hive_node_h node;
    std::string path;
};

struct FoundValues {
    hive_node_h node;
    std::string path;
    std::vector<hive_value_h> values;  // of that key, each once
};

struct FoundRemovals {
    std::vector<FoundKey> keys;
    std::vector<FoundValues> values;  // one entry a key
};

// Throws ApplyError naming the first key or value of the plan that the hive
// does not hold: the hive is then not the one the removals were made for.
FoundRemovals FindRemovals(const HiveHandle& hive, const RemovalPlan& plan);

}  // namespace offline
