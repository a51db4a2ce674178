// Where a registry's keys, values, names and data live: a few large blocks,
// never one allocation per key or value. Nothing is given back before the
// whole store goes, so a deleted key stays readable through a handle, and a
// key is named by a 32-bit number (0 is none) as compactly as by a pointer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "memory_blocks.h"
#include "name_index.h"
#include "win32sim/registry.h"

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

// Nodes numbered from 1, in chunks that never move. Each chunk starts on a
// multiple of its size with a header in place of its first node, so that a
// node finds its store from its own address and needs no pointer to it; a
// key then fills one cache line.
struct ChunkHeader {
    RegistryStore* store;
};

template <class Node>
class NodeTable {
public:
    // Number 0 stands for none, in the first chunk's header: the place of
    // none can be asked for ahead like any other.
    NodeTable(RegistryStore& store, ByteArena& memory) : store_(store), memory_(memory) { AddChunk(); }

    Node& operator[](uint32_t id) const { return chunks_[id >> ChunkBits][id & (ChunkSize - 1)]; }

    uint32_t Add()
    {
        if ((count_ & (ChunkSize - 1)) == 0)
            AddChunk();
        new (&(*this)[count_]) Node();
        return count_++;
    }

    static RegistryStore& StoreOf(const Node& node)
    {
        const uintptr_t chunk = reinterpret_cast<uintptr_t>(&node) & ~uintptr_t(ChunkBytes - 1);
        return *reinterpret_cast<const ChunkHeader*>(chunk)->store;
    }

private:
    static_assert(std::is_trivially_destructible_v<Node>, "nodes go with their chunks, never one by one");
    static_assert(sizeof(ChunkHeader) <= sizeof(Node) && (sizeof(Node) & (sizeof(Node) - 1)) == 0,
                  "a header takes a node's place, and chunks are powers of two");
    static constexpr uint32_t ChunkBits = 10;
    static constexpr uint32_t ChunkSize = 1u << ChunkBits;
    static constexpr size_t ChunkBytes = sizeof(Node) * ChunkSize;

    // Blocks double up to a megabyte, and come a huge page at a time once
    // the store holds many.
    void AddChunk()
    {
        if (chunksLeft_ == 0) {
            const size_t held = chunks_.size() * ChunkBytes;
            const size_t size =
                memory_.HugePagesDue() ? HugePageSize : std::clamp(held, ChunkBytes, ByteArena::BlockSize);
            blocks_.push_back(AllocateBlock(size, ChunkBytes));
            memory_.NoteHeld(size);
            nextChunk_ = blocks_.back().get();
            chunksLeft_ = size / ChunkBytes;
        }
        char* const chunk = nextChunk_;
        nextChunk_ += ChunkBytes;
        --chunksLeft_;
        new (chunk) ChunkHeader{&store_};
        chunks_.push_back(reinterpret_cast<Node*>(chunk));
        ++count_;  // past the header
    }

    RegistryStore& store_;
    ByteArena& memory_;
    std::vector<MemoryBlock> blocks_;
    char* nextChunk_ = nullptr;  // in the last block
    size_t chunksLeft_ = 0;
    std::vector<Node*> chunks_;
    uint32_t count_ = 0;
};

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

static_assert(sizeof(RegKey) == 64, "a key fills one cache line");

struct RegistryStore : std::enable_shared_from_this<RegistryStore> {
    ByteArena bytes;
    NodeTable<RegKey> keys{*this, bytes};
    NodeTable<RegValue> values{*this, bytes};
    NameIndex keyIndex;                                         // of keys with many siblings, by parent and name
    std::unordered_map<const RegKey*, NameIndex> valueIndexes;  // of keys with many values, by name
    // Of each indexed subkey chain not in order: the subkeys added since it
    // last was, with their first characters, taken while each name is at hand
    // so that ordering a wide chain neither walks its list nor reads every
    // name again.
    std::unordered_map<const NameChain*, std::vector<OrderScratch::KeyEntry>> addedSubkeys;
    ChainCursor keyCursor;
    ChainCursor valueCursor;
    OrderScratch scratch;
    bool onlyAscii = true;  // no name or string stored so far held a byte above 0x7F
    uint64_t steps = 0;     // name comparisons and links moved, for the tests that bound them
    size_t keyCount = 0;    // below the root, deleted keys not counted
    size_t valueCount = 0;

    bool recording = false;
    ChangeRecord record;
    // Of keys there before: what went from below them, counted as it was before.
    std::unordered_map<const RegKey*, SubtreeSize> removedBelow;
};

}  // namespace win32sim
