// What the ordered chains keep between calls: where the last enumeration
// by index stood, and the memory that putting a chain in order works in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "nodes.h"

namespace win32sim {

// The place of the last node found by index, so that the next index costs one step.
struct ChainCursor {
    const NameChain* chain = nullptr;
    uint32_t index = 0;
    uint32_t id = 0;
};

// What putting a chain in order needs while it works, kept from one chain to
// the next: a registry orders hundreds of thousands of small chains.
struct OrderScratch {
    struct Run {
        size_t next, end, from;  // from: the characters all names of the run share
    };
    // A subkey: eight folded characters of its name as a number that sorts
    // as they do, and the key's number.
    struct KeyEntry {
        uint64_t characters;
        uint32_t id;
    };
    std::vector<KeyEntry> keyEntries;
    // A value: four such characters above its number, in half the memory,
    // which keeps a key of 100,000 values within its budget.
    std::vector<uint64_t> valueEntries;
    std::vector<Run> runs;
    std::vector<uint32_t> edge;

    // What a large chain took goes back at once rather than sit beside the model.
    void Trim()
    {
        // Assigning {} would keep the capacity: only a fresh scratch lets it go.
        if (keyEntries.capacity() > KeptEntries || valueEntries.capacity() > KeptEntries)
            *this = OrderScratch();
    }
    static constexpr size_t KeptEntries = 4096;
};

}  // namespace win32sim
