// Nodes numbered from 1, in chunks that never move. Each chunk starts on a
// multiple of its size with a header in place of its first node, so that a
// node finds its store from its own address and needs no pointer to it.
// Nodes may be of any size: a chunk holds as many as fit, and a key whose
// size is a power of two (64 bytes today, one cache line) wastes nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <vector>

#include "byte_arena.h"
#include "memory_blocks.h"

namespace win32sim {

class RegistryStore;

struct ChunkHeader {
    RegistryStore* store;
    uint32_t firstId;  // the number of the chunk's place 0
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
        // A chunk of nodes whose size is no power of two is full before its
        // numbers run out; the rest of them name nothing.
        if ((count_ & (ChunkSize - 1)) == NodesPerChunk)
            count_ = (count_ | (ChunkSize - 1)) + 1;
        if ((count_ & (ChunkSize - 1)) == 0)
            AddChunk();
        new (&(*this)[count_]) Node();
        return count_++;
    }

    static RegistryStore& StoreOf(const Node& node) { return *HeaderOf(node).store; }
    static uint32_t IdOf(const Node& node)
    {
        const ChunkHeader& header = HeaderOf(node);
        const auto offset = reinterpret_cast<uintptr_t>(&node) - reinterpret_cast<uintptr_t>(&header);
        return header.firstId + static_cast<uint32_t>(offset / sizeof(Node));
    }

private:
    static_assert(std::is_trivially_destructible_v<Node>, "nodes go with their chunks, never one by one");
    static_assert(sizeof(ChunkHeader) <= sizeof(Node), "a header takes a node's place");
    static_assert(alignof(Node) <= alignof(std::max_align_t), "chunks start on large boundaries only");

    static constexpr size_t LargestPowerOfTwoUpTo(size_t size)
    {
        size_t power = 1;
        while (2 * power <= size)
            power *= 2;
        return power;
    }
    // A chunk takes the numbers of 1024 nodes, and between 512 and 1024 of them.
    static constexpr uint32_t ChunkBits = 10;
    static constexpr uint32_t ChunkSize = 1u << ChunkBits;
    static constexpr size_t ChunkBytes = LargestPowerOfTwoUpTo(sizeof(Node)) * ChunkSize;
    static constexpr uint32_t NodesPerChunk = static_cast<uint32_t>(ChunkBytes / sizeof(Node));

    static const ChunkHeader& HeaderOf(const Node& node)
    {
        const uintptr_t chunk = reinterpret_cast<uintptr_t>(&node) & ~uintptr_t(ChunkBytes - 1);
        return *reinterpret_cast<const ChunkHeader*>(chunk);
    }

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
        new (chunk) ChunkHeader{&store_, static_cast<uint32_t>(chunks_.size() << ChunkBits)};
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

}  // namespace win32sim
