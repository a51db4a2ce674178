#include <cstring>
#include <stdexcept>

#include "key_path.h"
#include "registry_state.h"
#include "win32sim/change_record.h"
#include "win32sim/registry.h"

namespace win32sim {

namespace {

void CheckKeyName(std::string_view name)
{
    if (name.empty())
        throw std::invalid_argument("registry key name is empty");
    if (name.find('\\') != std::string_view::npos)
        throw std::invalid_argument("registry key name \"" + std::string(name) + "\" holds a backslash");
    if (name.size() > MaxKeyNameLength)
        throw std::invalid_argument("registry key name \"" + std::string(name.substr(0, 40)) + "...\" is longer than " +
                                    std::to_string(MaxKeyNameLength) + " characters");
}

template <class Word>
Word WordAt(const char* at)
{
    Word word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// No byte above 0x7F. Every name and string stored is looked at, so eight
// bytes a step, the last step overlapping the one before.
bool IsAscii(std::string_view text)
{
    const char* const at = text.data();
    const size_t size = text.size();
    uint64_t seen = 0;
    if (size >= 8) {
        for (size_t i = 0; i + 8 < size; i += 8)
            seen |= WordAt<uint64_t>(at + i);
        seen |= WordAt<uint64_t>(at + size - 8);
    } else if (size >= 4) {
        seen = WordAt<uint32_t>(at) | WordAt<uint32_t>(at + size - 4);
    } else {
        for (size_t i = 0; i < size; ++i)
            seen |= static_cast<unsigned char>(at[i]);
    }
    return (seen & 0x8080808080808080u) == 0;
}

void NoteText(RegistryState& state, std::string_view text)
{
    if (state.onlyAscii && !IsAscii(text))
        state.onlyAscii = false;
}

KeyNode& NodeOf(const RegKey& key) { return RegistryStore::NodeOf(key); }

}  // namespace

bool operator==(ByteView a, ByteView b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

std::string_view RegValue::Name() const { return NameInBlock(block_); }

ByteView RegValue::Data() const { return DataInBlock(block_, dataSize_); }

template <class Node>
typename Siblings<Node>::Iterator& Siblings<Node>::Iterator::operator++()
{
    node_ = RegistryStore::Of(*node_).Next(RegistryStore::NodeOf(*node_));
    return *this;
}

template class Siblings<RegKey>;
template class Siblings<RegValue>;

std::string_view RegKey::Name() const { return NodeOf(*this).Name(); }

RegKey* RegKey::Parent() const { return NodeOf(*this).parent; }

std::string RegKey::Path() const
{
    if (!Parent())
        return deleted_ ? std::string(Name()) : std::string();
    std::vector<const RegKey*> chain;
    for (const RegKey* key = this; key->Parent(); key = key->Parent())
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
    return std::shared_ptr<RegKey>(RegistryState::Of(*this).shared_from_this(), const_cast<RegKey*>(this));
}

size_t RegKey::SubkeyCount() const { return RegistryState::Of(*this).SubkeyCount(NodeOf(*this)); }

RegKey& RegKey::SubkeyAt(size_t index) const
{
    KeyNode* key = RegistryState::Of(*this).SubkeyAt(NodeOf(*this), index);
    if (!key)
        throw std::out_of_range("subkey index " + std::to_string(index) + " past the last subkey");
    return *key;
}

Siblings<RegKey> RegKey::Subkeys() const { return RegistryState::Of(*this).Subkeys(NodeOf(*this)); }

RegKey* RegKey::FindSubkey(std::string_view name) const
{
    return RegistryState::Of(*this).FindSubkey(NodeOf(*this), name);
}

std::shared_ptr<RegKey> RegKey::SharedSubkey(std::string_view name) const
{
    RegKey* key = FindSubkey(name);
    return key ? key->Shared() : nullptr;
}

RegKey& RegKey::CreateSubkey(std::string_view name)
{
    RegistryState& state = RegistryState::Of(*this);
    KeyNode& node = NodeOf(*this);
    // A name found is one stored, and so a sound one.
    if (KeyNode* found = state.FindSubkey(node, name))
        return *found;
    CheckKeyName(name);
    KeyNode& key = state.AddSubkey(node, name);
    NoteText(state, name);
    ++state.keyCount;
    if (state.recording) {
        key.added_ = true;
        if (!added_)
            state.record.addedKeys.push_back(&key);
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

Siblings<RegValue> RegKey::Values() const { return RegistryState::Of(*this).Values(NodeOf(*this)); }

const RegValue* RegKey::FindValue(std::string_view name) const
{
    return RegistryState::Of(*this).FindValue(NodeOf(*this), name);
}

void RegKey::SetValue(std::string_view name, DWORD type, ByteView data)
{
    RegistryState& state = RegistryState::Of(*this);
    if (state.recording)
        SaveValuesBefore();
    if (state.SetValue(NodeOf(*this), name, type, data))
        ++state.valueCount;
    NoteText(state, name);
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
        NoteText(state, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

bool RegKey::DeleteValue(std::string_view name)
{
    RegistryState& state = RegistryState::Of(*this);
    KeyNode& node = NodeOf(*this);
    ValueNode* found = state.FindValue(node, name);
    if (!found)
        return false;
    if (state.recording)
        SaveValuesBefore();
    state.RemoveValue(node, *found);
    --state.valueCount;
    return true;
}

bool RegKey::RemoveSubkey(std::string_view name)
{
    RegistryState& state = RegistryState::Of(*this);
    KeyNode& node = NodeOf(*this);
    KeyNode* removed = state.FindSubkey(node, name);
    if (!removed)
        return false;
    const bool wasThere = state.recording && !removed->added_;
    std::string path = wasThere ? removed->Path() : std::string();
    state.RemoveSubkey(node, *removed);
    const SubtreeSize before = removed->MarkSubtreeDeleted();
    if (wasThere) {
        state.record.removedKeys.push_back({this, std::move(path), before});
        SubtreeSize& below = state.removedBelow[this];
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
    auto [saved, first] = RegistryState::Of(*this).record.valuesBefore.try_emplace(this);
    if (!first)
        return;
    for (const RegValue& value : Values())
        saved->second.push_back(value);
}

size_t RegKey::ValueCountBefore() const
{
    const RegistryState& state = RegistryState::Of(*this);
    const auto found = state.record.valuesBefore.find(this);
    return found != state.record.valuesBefore.end() ? found->second.size() : state.ValueCount(NodeOf(*this));
}

SubtreeSize RegKey::MarkSubtreeDeleted()
{
    // Every key of the subtree is detached: a handle on one of them sees a
    // key of its own, without parent or subkeys.
    RegistryState& state = RegistryState::Of(*this);
    SubtreeSize before;
    std::vector<KeyNode*> pending = {&NodeOf(*this)};
    while (!pending.empty()) {
        KeyNode* key = pending.back();
        pending.pop_back();
        for (const RegKey& child : state.Subkeys(*key))
            pending.push_back(&NodeOf(child));
        state.Detach(*key);
        --state.keyCount;
        state.valueCount -= state.ValueCount(*key);
        if (state.recording && !key->added_) {
            ++before.keys;
            before.values += key->ValueCountBefore();
            const auto below = state.removedBelow.find(key);
            if (below != state.removedBelow.end()) {
                before.keys += below->second.keys;
                before.values += below->second.values;
            }
        }
        key->deleted_ = true;
    }
    return before;
}

}  // namespace win32sim
