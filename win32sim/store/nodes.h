// What the store keeps of each key and value beside what the model sees: its
// place among its siblings and, for a key, its name, its parent and the
// chains of its subkeys and values. Nodes are named by 32-bit numbers of the
// store they lie in (0 is none), as compactly as by a pointer.
#pragma once

#include <cstdint>
#include <string_view>

#include "value_block.h"
#include "win32sim/registry.h"

namespace win32sim {

// A node's place among its siblings.
struct ChainLinks {
    uint32_t left = 0, right = 0;  // the tree
    uint32_t next = 0;             // the sibling after it in name order
    uint32_t size = 0;             // nodes in its subtree, itself included
};

// The subkeys or the values of one key.
struct NameChain {
    uint32_t root = 0;
    uint32_t first = 0;
    uint32_t unordered = 0;  // the nodes added since it was last put in order, linked by next
};

// Each hides the model's out-of-line Name with one the store's loops inline.
struct KeyNode : RegKey {
    KeyNode* parent = nullptr;
    const char* name = nullptr;  // the name's length in one byte, then the name
    ChainLinks links;
    mutable NameChain subkeys;  // put in order when first read
    mutable NameChain values;

    std::string_view Name() const { return std::string_view(name + 1, static_cast<unsigned char>(name[0])); }
};

struct ValueNode : RegValue {
    ChainLinks links;

    std::string_view Name() const { return NameInBlock(block_); }
    const char* Block() const { return block_; }
    void Set(const char* block, uint32_t dataSize, DWORD type)
    {
        block_ = block;
        dataSize_ = dataSize;
        type_ = type;
    }
};

}  // namespace win32sim
