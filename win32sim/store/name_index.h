// Every key's subkeys, or every key's values, found by owner and name in one
// step: a table of node numbers addressed by a hash of the owner and the name
// folded the registry's way (open addressing, linear probing). Each slot keeps
// the hash beside the number, so most mismatches cost no visit to the node,
// and the table grows without reading a single name again.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "memory_blocks.h"

namespace win32sim {

// The same for names that differ only in case, as the registry compares them.
uint32_t HashName(const void* owner, std::string_view name);

class NameIndex {
public:
    // The node whose hash is hash and for which isIt(number) holds, or 0.
    template <class IsIt>
    uint32_t Find(uint32_t hash, IsIt isIt, uint64_t& steps) const
    {
        if (size_ == 0)
            return 0;
        for (size_t at = hash & Mask();; at = (at + 1) & Mask()) {
            ++steps;
            const Slot& slot = Slots()[at];
            if (slot.id == 0)
                return 0;
            if (slot.hash == hash && isIt(slot.id))
                return slot.id;
        }
    }

    void Add(uint32_t hash, uint32_t id)
    {
        if (5 * (count_ + 1) > 4 * size_)
            Grow();
        Place({id, hash});
        ++count_;
    }

    void Remove(uint32_t hash, uint32_t id)
    {
        size_t hole = hash & Mask();
        while (Slots()[hole].id != id)
            hole = (hole + 1) & Mask();
        // Moves back each later entry of the run that may stand in the hole,
        // so that every entry stays reachable from its home slot.
        for (size_t at = (hole + 1) & Mask(); Slots()[at].id != 0; at = (at + 1) & Mask()) {
            const size_t home = Slots()[at].hash & Mask();
            if (((at - home) & Mask()) >= ((at - hole) & Mask())) {
                Slots()[hole] = Slots()[at];
                hole = at;
            }
        }
        Slots()[hole] = Slot{};
        --count_;
    }

private:
    struct Slot {
        uint32_t id = 0;
        uint32_t hash = 0;
    };

    size_t Mask() const { return size_ - 1; }

    void Place(Slot entry)
    {
        size_t at = entry.hash & Mask();
        while (Slots()[at].id != 0)
            at = (at + 1) & Mask();
        Slots()[at] = entry;
    }

    // A large table lies on huge pages: it is read at random places.
    void Grow()
    {
        const size_t oldSize = size_;
        size_ = oldSize == 0 ? 16 : 2 * oldSize;
        MemoryBlock old = std::move(block_);
        block_ = AllocateBlock(size_ * sizeof(Slot));
        std::uninitialized_value_construct_n(Slots(), size_);
        const Slot* oldSlots = reinterpret_cast<const Slot*>(old.get());
        for (size_t i = 0; i < oldSize; ++i) {
            if (oldSlots[i].id != 0)
                Place(oldSlots[i]);
        }
    }

    Slot* Slots() const { return reinterpret_cast<Slot*>(block_.get()); }

    MemoryBlock block_;  // the slots
    size_t size_ = 0;    // a power of two
    size_t count_ = 0;
};

}  // namespace win32sim
