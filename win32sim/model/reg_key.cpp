#include <cstring>
#include <stdexcept>
#include <type_traits>

#include "key_path.h"
#include "store/ordered_chain.h"
#include "store/registry_store.h"
#include "win32sim/byte_scan.h"
#include "win32sim/registry.h"

namespace win32sim {

namespace {

void CheckKeyName(std::string_view name)
{
    if (name.empty())
        throw std::invalid_argument("registry key name is empty");
    if (FindAnyOf<'\\'>(name) != name.size())
        throw std::invalid_argument("registry key name \"" + std::string(name) + "\" holds a backslash");
    if (name.size() > MaxKeyNameLength)
        throw std::invalid_argument("registry key name \"" + std::string(name.substr(0, 40)) + "...\" is longer than " +
                                    std::to_string(MaxKeyNameLength) + " characters");
}

OrderedChain<RegKey> SubkeyChain(RegistryStore& store) { return OrderedChain<RegKey>(store); }
OrderedChain<RegValue> ValueChain(RegistryStore& store) { return OrderedChain<RegValue>(store); }

// A value's block: the name's length, seven bits a byte, low ones first, the
// high bit set in every byte but the last (one byte for a name of up to 127
// characters); the name; the data.
const char* StoreValue(ByteArena& bytes, std::string_view name, ByteView data)
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

void NoteText(RegistryStore& store, std::string_view text)
{
    if (store.onlyAscii && !IsAscii(text))
        store.onlyAscii = false;
}

}  // namespace

bool operator==(ByteView a, ByteView b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

namespace {

// Some node of the chain, ordered or not: where a walk through it starts reading.
uint32_t FirstListed(const NameChain& chain) { return chain.root ? chain.root : chain.unordered; }

std::string_view NameInBlock(const char* block)
{
    size_t length = 0;
    for (unsigned shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*block++);
        length |= size_t(byte & 0x7F) << shift;
        if (byte < 0x80)
            return std::string_view(block, length);
    }
}

ByteView DataInBlock(const char* block, uint32_t size)
{
    const std::string_view name = NameInBlock(block);
    return ByteView(reinterpret_cast<const BYTE*>(name.data() + name.size()), size);
}

}  // namespace

std::string_view RegValue::Name() const { return NameInBlock(block_); }

ByteView RegValue::Data() const { return DataInBlock(block_, dataSize_); }

ValueBefore::ValueBefore(const RegValue& value) : block_(value.block_), dataSize_(value.dataSize_), type_(value.type_)
{
}

std::string_view ValueBefore::Name() const { return NameInBlock(block_); }

ByteView ValueBefore::Data() const { return DataInBlock(block_, dataSize_); }

template <class Node>
const Node& ChainRange<Node>::Iterator::operator*() const
{
    if constexpr (std::is_same_v<Node, RegKey>)
        return store_->keys[id_];
    else
        return store_->values[id_];
}

template <class Node>
typename ChainRange<Node>::Iterator& ChainRange<Node>::Iterator::operator++()
{
    // A walk visits nodes, names and chains strewn over memory: what the next
    // visits read is asked for now, while this node's is done.
    const Node& left = **this;
    id_ = left.links_.next;
    if constexpr (std::is_same_v<Node, RegKey>) {
        // A walk depth first visits the first subkey of the node just left
        // before the next node; that subkey was asked for a step ago, its
        // name and values are now.
        if (const uint32_t child = FirstListed(left.subkeys_)) {
            const Node& first = store_->keys[child];
            __builtin_prefetch(first.name_);
            __builtin_prefetch(&store_->values[FirstListed(first.values_)]);
        }
    }
    if (!id_)
        return *this;
    const Node& node = **this;
    if constexpr (std::is_same_v<Node, RegKey>) {
        __builtin_prefetch(node.name_);
        __builtin_prefetch(&store_->keys[node.links_.next]);
        __builtin_prefetch(&store_->keys[FirstListed(node.subkeys_)]);
        __builtin_prefetch(&store_->values[FirstListed(node.values_)]);
    } else {
        __builtin_prefetch(node.block_);
        __builtin_prefetch(&store_->values[node.links_.next]);
    }
    return *this;
}

template class ChainRange<RegKey>;
template class ChainRange<RegValue>;

RegistryStore& RegKey::Store() const { return NodeTable<RegKey>::StoreOf(*this); }

std::string_view RegKey::Name() const { return std::string_view(name_ + 1, static_cast<unsigned char>(name_[0])); }

std::string RegKey::Path() const
{
    if (!parent_)
        return deleted_ ? std::string(Name()) : std::string();
    std::vector<const RegKey*> chain;
    for (const RegKey* key = this; key->parent_; key = key->parent_)
        chain.push_back(key);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty())
            path += '\\';
        path += (*it)->Name();
    }
    return path;
}

std::shared_ptr<RegKey> RegKey::Shared() const
{
    return std::shared_ptr<RegKey>(Store().shared_from_this(), const_cast<RegKey*>(this));
}

size_t RegKey::SubkeyCount() const { return SubkeyChain(Store()).Count(subkeys_); }

RegKey& RegKey::SubkeyAt(size_t index) const
{
    const uint32_t id = SubkeyChain(Store()).At(subkeys_, static_cast<uint32_t>(index));
    if (!id)
        throw std::out_of_range("subkey index " + std::to_string(index) + " past the last subkey");
    return Store().keys[id];
}

ChainRange<RegKey> RegKey::Subkeys() const
{
    OrderedChain<RegKey> chain = SubkeyChain(Store());
    return ChainRange<RegKey>(&Store(), chain.First(subkeys_), chain.Count(subkeys_));
}

RegKey* RegKey::FindSubkey(std::string_view name) const
{
    const uint32_t id = SubkeyChain(Store()).Find(this, subkeys_, name);
    return id ? &Store().keys[id] : nullptr;
}

std::shared_ptr<RegKey> RegKey::SharedSubkey(std::string_view name) const
{
    RegKey* key = FindSubkey(name);
    return key ? key->Shared() : nullptr;
}

RegKey& RegKey::CreateSubkey(std::string_view name)
{
    RegistryStore& store = Store();
    CheckKeyName(name);
    OrderedChain<RegKey> chain = SubkeyChain(store);
    if (const uint32_t found = chain.Find(this, subkeys_, name))
        return store.keys[found];

    const uint32_t id = store.keys.Add();
    RegKey& key = store.keys[id];
    char* stored = store.bytes.Allocate(1 + name.size());
    stored[0] = static_cast<char>(name.size());
    std::memcpy(stored + 1, name.data(), name.size());
    NoteText(store, name);
    key.name_ = stored;
    key.parent_ = this;
    chain.Add(this, subkeys_, id);
    ++store.keyCount;
    if (store.recording) {
        key.added_ = true;
        if (!added_)
            store.record.addedKeys.push_back(&key);
    }
    return key;
}

RegKey* RegKey::FindPath(std::string_view relativePath) const
{
    std::vector<std::string_view> names;
    if (!SplitKeyPath(relativePath, names))
        return nullptr;
    const RegKey* key = this;
    for (std::string_view name : names) {
        key = key->FindSubkey(name);
        if (!key)
            return nullptr;
    }
    return const_cast<RegKey*>(key);
}

ChainRange<RegValue> RegKey::Values() const
{
    OrderedChain<RegValue> chain = ValueChain(Store());
    return ChainRange<RegValue>(&Store(), chain.First(values_), chain.Count(values_));
}

const RegValue* RegKey::FindValue(std::string_view name) const
{
    const uint32_t id = ValueChain(Store()).Find(this, values_, name);
    return id ? &Store().values[id] : nullptr;
}

void RegKey::SetValue(std::string_view name, DWORD type, ByteView data)
{
    RegistryStore& store = Store();
    OrderedChain<RegValue> chain = ValueChain(store);
    const uint32_t found = chain.Find(this, values_, name);
    if (store.recording)
        SaveValuesBefore();
    const uint32_t id = found ? found : store.values.Add();
    RegValue& value = store.values[id];
    // The stored name keeps its first spelling, as on the platform.
    value.block_ = StoreValue(store.bytes, found ? value.Name() : name, data);
    value.dataSize_ = static_cast<uint32_t>(data.size());
    value.type_ = type;
    NoteText(store, name);
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
        NoteText(store, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    if (!found) {
        chain.Add(this, values_, id);
        ++store.valueCount;
    }
}

bool RegKey::DeleteValue(std::string_view name)
{
    RegistryStore& store = Store();
    OrderedChain<RegValue> chain = ValueChain(store);
    const uint32_t found = chain.Find(this, values_, name);
    if (!found)
        return false;
    if (store.recording)
        SaveValuesBefore();
    chain.Remove(this, values_, found);
    --store.valueCount;
    return true;
}

bool RegKey::RemoveSubkey(std::string_view name)
{
    RegistryStore& store = Store();
    OrderedChain<RegKey> chain = SubkeyChain(store);
    const uint32_t found = chain.Find(this, subkeys_, name);
    if (!found)
        return false;
    RegKey& removed = store.keys[found];
    const bool wasThere = store.recording && !removed.added_;
    std::string path = wasThere ? removed.Path() : std::string();
    chain.Remove(this, subkeys_, found);
    const SubtreeSize before = removed.MarkSubtreeDeleted();
    if (wasThere) {
        store.record.removedKeys.push_back({&removed, this, std::move(path), before});
        SubtreeSize& below = store.removedBelow[this];
        below.keys += before.keys;
        below.values += before.values;
    }
    return true;
}

// The values as they were when recording began, kept at the first change.
void RegKey::SaveValuesBefore()
{
    if (added_)
        return;
    auto [saved, first] = Store().record.valuesBefore.try_emplace(this);
    if (!first)
        return;
    for (const RegValue& value : Values())
        saved->second.emplace_back(value);
}

size_t RegKey::ValueCountBefore() const
{
    const auto& saved = Store().record.valuesBefore;
    const auto found = saved.find(this);
    return found != saved.end() ? found->second.size() : ValueChain(Store()).Count(values_);
}

SubtreeSize RegKey::MarkSubtreeDeleted()
{
    // Every key of the subtree is detached: a handle on one of them sees a
    // key of its own, without parent or subkeys.
    RegistryStore& store = Store();
    SubtreeSize before;
    OrderedChain<RegKey> chain = SubkeyChain(store);
    std::vector<RegKey*> pending = {this};
    while (!pending.empty()) {
        RegKey* key = pending.back();
        pending.pop_back();
        for (uint32_t id = chain.First(key->subkeys_); id; id = store.keys[id].links_.next)
            pending.push_back(&store.keys[id]);
        chain.Clear(key, key->subkeys_);
        --store.keyCount;
        store.valueCount -= ValueChain(store).Count(key->values_);
        if (store.recording && !key->added_) {
            ++before.keys;
            before.values += key->ValueCountBefore();
            const auto below = store.removedBelow.find(key);
            if (below != store.removedBelow.end()) {
                before.keys += below->second.keys;
                before.values += below->second.values;
            }
        }
        key->deleted_ = true;
        key->parent_ = nullptr;
    }
    return before;
}

}  // namespace win32sim
