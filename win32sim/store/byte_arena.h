// Bytes handed out in place for names and data: a few large blocks, never
// one allocation per key or value. Nothing is given back before the whole
// store goes, so a deleted key stays readable through a handle.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "memory_blocks.h"

namespace win32sim {

// Bytes handed out in place: names and data are written once and stay put.
class ByteArena {
public:
    char* Allocate(size_t size)
    {
        if (size > LargeSize) {
            large_.push_back(AllocateBlock(size));
            return large_.back().get();
        }
        if (size > left_) {
            // Small registries stay small; large ones take a megabyte at a time,
            // and once they hold many, a huge page at a time: the unused end of
            // the last huge page is then a small part of what they hold.
            const size_t most = HugePagesDue() ? HugePageSize : BlockSize;
            const size_t grown = blocks_.empty() ? FirstBlockSize : std::min(2 * blockSize_, most);
            const size_t blockSize = std::max(grown, size);
            blocks_.push_back(AllocateBlock(blockSize));
            blockSize_ = blockSize;
            held_ += blockSize;
            next_ = blocks_.back().get();
            left_ = blockSize;
        }
        char* at = next_;
        next_ += size;
        left_ -= size;
        return at;
    }

    // The store's other blocks count too: once it holds many, all of them
    // come a huge page at a time.
    bool HugePagesDue() const { return held_ >= HugePagesFrom; }
    void NoteHeld(size_t size) { held_ += size; }
    static constexpr size_t BlockSize = size_t(1) << 20;

private:
    static constexpr size_t FirstBlockSize = size_t(1) << 12;
    static constexpr size_t LargeSize = BlockSize / 8;
    static constexpr size_t HugePagesFrom = size_t(16) << 20;
    std::vector<MemoryBlock> blocks_;
    std::vector<MemoryBlock> large_;
    size_t blockSize_ = 0;
    size_t held_ = 0;  // in blocks_ and in those noted
    char* next_ = nullptr;
    size_t left_ = 0;
};

}  // namespace win32sim
