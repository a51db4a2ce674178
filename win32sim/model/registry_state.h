// What a registry's keys share: the store they lie in, and the model's own
// account of it (counts, the ASCII note, the record of changes). A key finds
// it from its own address, and a handle holding a key holds all of it.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>

#include "store/registry_store.h"
#include "win32sim/change_record.h"
#include "win32sim/registry.h"

namespace win32sim {

class RegistryState : public RegistryStore, public std::enable_shared_from_this<RegistryState> {
public:
    static RegistryState& Of(const RegKey& key) { return static_cast<RegistryState&>(RegistryStore::Of(key)); }

    size_t keyCount = 0;  // below the root, deleted keys not counted
    size_t valueCount = 0;
    bool onlyAscii = true;  // no name or string stored so far held a byte above 0x7F

    bool recording = false;
    ChangeRecord record;
    // Of keys there before: what went from below them, counted as it was before.
    std::unordered_map<const RegKey*, SubtreeSize> removedBelow;
};

}  // namespace win32sim
