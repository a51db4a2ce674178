#include "registry_store.h"

#include <cstring>

#include "ordered_chain.h"

namespace win32sim {

namespace {

OrderedChain<KeyNode> SubkeyChain(RegistryStore& store) { return OrderedChain<KeyNode>(store); }
OrderedChain<ValueNode> ValueChain(RegistryStore& store) { return OrderedChain<ValueNode>(store); }

// Some node of the chain, ordered or not: where a walk through it starts reading.
uint32_t FirstListed(const NameChain& chain) { return chain.root ? chain.root : chain.unordered; }

// A value's block (see value_block.h), written once.
const char* StoreValueBlock(ByteArena& bytes, std::string_view name, ByteView data)
{
    char length[5];
    size_t used = 0;
    for (size_t rest = name.size(); used == 0 || rest > 0; rest >>= 7)
        length[used++] = static_cast<char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
    char* block = bytes.Allocate(used + name.size() + data.size());
    std::memcpy(block, length, used);
    if (!name.empty())  // an empty view may hold no pointer at all
        std::memcpy(block + used, name.data(), name.size());
    if (!data.empty())
        std::memcpy(block + used + name.size(), data.data(), data.size());
    return block;
}

}  // namespace

RegistryStore::RegistryStore()
{
    static const char emptyName[1] = {0};
    root_ = keys_.Add();
    keys_[root_].name = emptyName;
}

size_t RegistryStore::SubkeyCount(const KeyNode& key) const { return OrderedChain<KeyNode>::Count(keys_, key.subkeys); }

KeyNode* RegistryStore::SubkeyAt(const KeyNode& key, size_t index)
{
    OrderedChain<KeyNode> chain = SubkeyChain(*this);
    return chain.NodeOf(chain.At(key.subkeys, static_cast<uint32_t>(index)));
}

Siblings<RegKey> RegistryStore::Subkeys(const KeyNode& key) { return SubkeyChain(*this).InOrder(key.subkeys); }

KeyNode* RegistryStore::FindSubkey(const KeyNode& key, std::string_view name)
{
    return SubkeyChain(*this).Named(&key, key.subkeys, name);
}

KeyNode& RegistryStore::AddSubkey(KeyNode& parent, std::string_view name)
{
    const uint32_t id = keys_.Add();
    KeyNode& key = keys_[id];
    char* stored = bytes_.Allocate(1 + name.size());
    stored[0] = static_cast<char>(name.size());
    std::memcpy(stored + 1, name.data(), name.size());
    key.name = stored;
    key.parent = &parent;
    SubkeyChain(*this).Add(&parent, parent.subkeys, id);
    return key;
}

void RegistryStore::RemoveSubkey(KeyNode& parent, KeyNode& subkey)
{
    SubkeyChain(*this).Remove(&parent, parent.subkeys, IdOf(subkey));
}

void RegistryStore::Detach(KeyNode& key)
{
    SubkeyChain(*this).Clear(&key, key.subkeys);
    key.parent = nullptr;
}

size_t RegistryStore::ValueCount(const KeyNode& key) const
{
    return OrderedChain<ValueNode>::Count(values_, key.values);
}

Siblings<RegValue> RegistryStore::Values(const KeyNode& key) { return ValueChain(*this).InOrder(key.values); }

ValueNode* RegistryStore::FindValue(const KeyNode& key, std::string_view name)
{
    return ValueChain(*this).Named(&key, key.values, name);
}

bool RegistryStore::SetValue(KeyNode& key, std::string_view name, DWORD type, ByteView data)
{
    OrderedChain<ValueNode> chain = ValueChain(*this);
    const uint32_t found = chain.Find(&key, key.values, name);
    const uint32_t id = found ? found : values_.Add();
    ValueNode& value = values_[id];
    // The stored name keeps its first spelling, as on the platform.
    value.Set(StoreValueBlock(bytes_, found ? value.Name() : name, data), static_cast<uint32_t>(data.size()), type);
    if (!found)
        chain.Add(&key, key.values, id);
    return !found;
}

void RegistryStore::RemoveValue(KeyNode& key, ValueNode& value)
{
    ValueChain(*this).Remove(&key, key.values, IdOf(value));
}

const KeyNode* RegistryStore::Next(const KeyNode& key) const
{
    // A walk visits nodes, names and chains strewn over memory: what the next
    // visits read is asked for now, while this node's is done.
    //
    // A walk depth first visits the first subkey of the node just left
    // before the next node; that subkey was asked for a step ago, its name
    // and values are now.
    if (const uint32_t child = FirstListed(key.subkeys)) {
        const KeyNode& first = keys_[child];
        __builtin_prefetch(first.name);
        __builtin_prefetch(&values_[FirstListed(first.values)]);
    }
    const uint32_t id = key.links.next;
    if (!id)
        return nullptr;
    const KeyNode& node = keys_[id];
    __builtin_prefetch(node.name);
    __builtin_prefetch(&keys_[node.links.next]);
    __builtin_prefetch(&keys_[FirstListed(node.subkeys)]);
    __builtin_prefetch(&values_[FirstListed(node.values)]);
    return &node;
}

const ValueNode* RegistryStore::Next(const ValueNode& value) const
{
    const uint32_t id = value.links.next;
    if (!id)
        return nullptr;
    const ValueNode& node = values_[id];
    __builtin_prefetch(node.Block());
    __builtin_prefetch(&values_[node.links.next]);
    return &node;
}

}  // namespace win32sim
