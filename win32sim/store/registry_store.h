// Where a registry's keys and values live, and in what order: the store
// behind the model. Keys and values are nodes in tables of large chunks;
// names and data lie in an arena of large blocks; each key's subkeys and
// values are an ordered chain with a name index once they are many. Nothing
// is given back before the whole store goes, so a removed key or a replaced
// value stays readable. A node finds its store from its own address.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "byte_arena.h"
#include "chain_scratch.h"
#include "name_index.h"
#include "node_table.h"
#include "nodes.h"

namespace win32sim {

template <class Node>
class OrderedChain;

class RegistryStore {
public:
    RegistryStore();  // with its root key
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    KeyNode& Root() const { return keys_[root_]; }

    static RegistryStore& Of(const RegKey& key) { return NodeTable<KeyNode>::StoreOf(NodeOf(key)); }
    static RegistryStore& Of(const RegValue& value) { return NodeTable<ValueNode>::StoreOf(NodeOf(value)); }
    // Every key and value the model sees is a node of some store.
    static KeyNode& NodeOf(const RegKey& key) { return static_cast<KeyNode&>(const_cast<RegKey&>(key)); }
    static const ValueNode& NodeOf(const RegValue& value) { return static_cast<const ValueNode&>(value); }

    // Subkeys in name order; a key's name is stored as given.
    size_t SubkeyCount(const KeyNode& key) const;
    Siblings<RegKey> Subkeys(const KeyNode& key);
    KeyNode* SubkeyAt(const KeyNode& key, size_t index);  // nullptr past the last
    KeyNode* FindSubkey(const KeyNode& key, std::string_view name);
    // The name is absent among the parent's subkeys, and at most 255 characters.
    KeyNode& AddSubkey(KeyNode& parent, std::string_view name);
    // Unlinks the subkey; it keeps its own subkeys until detached.
    void RemoveSubkey(KeyNode& parent, KeyNode& subkey);
    // The key loses its parent and its subkeys.
    void Detach(KeyNode& key);

    // Values in name order; a value's name keeps its first spelling.
    size_t ValueCount(const KeyNode& key) const;
    Siblings<RegValue> Values(const KeyNode& key);
    ValueNode* FindValue(const KeyNode& key, std::string_view name);
    // Replaces the value of that name, or adds it: true when added.
    bool SetValue(KeyNode& key, std::string_view name, DWORD type, ByteView data);
    void RemoveValue(KeyNode& key, ValueNode& value);

    // The sibling after the node in name order, or nullptr; what the walk's
    // next steps read is asked for on the way.
    const KeyNode* Next(const KeyNode& key) const;
    const ValueNode* Next(const ValueNode& value) const;

    // Name comparisons and tree links moved so far, for the tests that bound
    // how the work grows with the number of siblings.
    uint64_t Steps() const { return steps_; }

private:
    template <class Node>
    friend class OrderedChain;

    static uint32_t IdOf(const KeyNode& key) { return NodeTable<KeyNode>::IdOf(key); }
    static uint32_t IdOf(const ValueNode& value) { return NodeTable<ValueNode>::IdOf(value); }

    ByteArena bytes_;
    NodeTable<KeyNode> keys_{*this, bytes_};
    NodeTable<ValueNode> values_{*this, bytes_};
    uint32_t root_ = 0;
    NameIndex keyIndex_;                                          // of keys with many siblings, by parent and name
    std::unordered_map<const KeyNode*, NameIndex> valueIndexes_;  // of keys with many values, by name
    // Of each indexed subkey chain not in order: the subkeys added since it
    // last was, with their first characters, taken while each name is at hand
    // so that ordering a wide chain neither walks its list nor reads every
    // name again.
    std::unordered_map<const NameChain*, std::vector<OrderScratch::KeyEntry>> addedSubkeys_;
    ChainCursor keyCursor_;
    ChainCursor valueCursor_;
    OrderScratch scratch_;
    uint64_t steps_ = 0;
};

}  // namespace win32sim
