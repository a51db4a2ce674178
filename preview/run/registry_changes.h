// What a run changed in the registry, from the registry's own record of each
// change as it was made: nothing is copied before the run, and only what
// changed is looked at after it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32sim/registry.h"

namespace qalm {

struct KeySubtree {
    std::string path;  // relative to HKEY_LOCAL_MACHINE
    size_t keys = 0;   // the key itself and every key below it
    size_t values = 0;
};

struct ValueChange {
    std::string keyPath;
    std::string name;  // "" is the default value
    DWORD type = REG_NONE;
};

struct RegistryChanges {
    std::vector<KeySubtree> removedKeys;     // the top of each removed subtree, in enumeration order
    std::vector<ValueChange> removedValues;  // from keys that are still there
    std::vector<KeySubtree> addedKeys;
    std::vector<ValueChange> addedValues;
    std::vector<ValueChange> changedValues;  // type or data; the name stayed

    size_t RemovedKeyCount() const;    // every removed key, subtrees counted whole
    size_t RemovedValueCount() const;  // the values of removed keys included
    bool Empty() const;
};

// Starts the registry's record; what it says afterwards, in enumeration order.
class RegistryRecording {
public:
    explicit RegistryRecording(win32sim::Registry& registry);

    size_t KeyCount() const { return keys_; }  // when recording began
    size_t ValueCount() const { return values_; }

    RegistryChanges Changes() const;

private:
    const win32sim::Registry& registry_;
    size_t keys_;
    size_t values_;
};

}  // namespace qalm
