// What a run changed in the registry. The snapshot is taken before the run
// and kept small: the keys themselves are held (a removed subtree stays
// readable), and of the values only names, types and a digest of the data.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
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
    std::vector<KeySubtree> removedKeys;  // the top of each removed subtree, in enumeration order
    std::vector<ValueChange> removedValues;  // from keys that are still there
    std::vector<KeySubtree> addedKeys;
    std::vector<ValueChange> addedValues;
    std::vector<ValueChange> changedValues;  // type or data; the name stayed

    size_t RemovedKeyCount() const;    // every removed key, subtrees counted whole
    size_t RemovedValueCount() const;  // the values of removed keys included
    bool Empty() const;
};

class RegistrySnapshot {
public:
    explicit RegistrySnapshot(const win32sim::Registry& registry);

    size_t KeyCount() const { return keys_.size() - 1; }  // the root is not a key of its own
    size_t ValueCount() const { return values_.size(); }

    RegistryChanges Compare(const win32sim::Registry& after) const;

private:
    struct KeyRecord {
        std::shared_ptr<const win32sim::RegKey> key;
        uint32_t parent;       // index of the parent's record
        uint32_t subtreeEnd;   // one past the last record of its subtree (pre-order)
        uint32_t firstValue;   // index into values_
        uint32_t valueCount;
    };
    struct ValueRecord {
        uint32_t nameEnd;  // the name is names_[previous nameEnd, nameEnd)
        DWORD type;
        uint64_t digest;
    };

    std::string PathOf(size_t index) const;
    std::string_view NameOf(size_t valueIndex) const;
    KeySubtree Subtree(size_t index) const;
    void CompareValues(size_t index, RegistryChanges& changes) const;
    void FindAddedKeys(size_t index, RegistryChanges& changes) const;

    std::vector<KeyRecord> keys_;
    std::vector<ValueRecord> values_;
    std::string names_;
};

}  // namespace qalm
