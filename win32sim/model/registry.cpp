#include <cstdio>
#include <stdexcept>

#include "key_path.h"
#include "store/registry_store.h"
#include "win32sim/registry.h"

namespace win32sim {

Registry::Registry() : store_(std::make_shared<RegistryStore>())
{
    static const char emptyName[1] = {0};
    root_ = &store_->keys[store_->keys.Add()];
    root_->name_ = emptyName;
}

RegKey* Registry::Find(std::string_view path) const { return root_->FindPath(path); }

uint64_t Registry::Steps() const { return store_->steps; }

RegKey& Registry::Create(std::string_view path)
{
    std::vector<std::string_view> names;
    // Every name is checked before the first key is made.
    if (!SplitKeyPath(path, names))
        throw std::invalid_argument("registry path \"" + std::string(path) + "\" holds an empty key name");
    for (std::string_view name : names) {
        if (name.size() > MaxKeyNameLength)
            throw std::invalid_argument("registry path \"" + std::string(path) + "\" holds a key name longer than " +
                                        std::to_string(MaxKeyNameLength) + " characters");
    }
    RegKey* key = root_;
    for (std::string_view name : names)
        key = &key->CreateSubkey(name);
    return *key;
}

bool Registry::DeleteTree(std::string_view path)
{
    RegKey* key = Find(path);
    if (!key || key == root_)
        return false;
    return key->Parent()->RemoveSubkey(key->Name());
}

void Registry::SetValue(std::string_view path, std::string_view name, DWORD type, ByteView data)
{
    Create(path).SetValue(name, type, data);
}

void Registry::SetString(std::string_view path, std::string_view name, std::string_view text)
{
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(path, name, REG_SZ, data);
}

void Registry::SetDword(std::string_view path, std::string_view name, DWORD value)
{
    std::vector<BYTE> data = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                              static_cast<BYTE>(value >> 24)};
    SetValue(path, name, REG_DWORD, data);
}

size_t Registry::KeyCount() const { return store_->keyCount; }

size_t Registry::ValueCount() const { return store_->valueCount; }

bool Registry::OnlyAsciiText() const { return store_->onlyAscii; }

void Registry::StartRecording()
{
    // Keys made during the last recording are now keys that were there before.
    std::vector<const RegKey*> pending = store_->record.addedKeys;
    while (!pending.empty()) {
        const RegKey* key = pending.back();
        pending.pop_back();
        const_cast<RegKey*>(key)->added_ = false;
        for (const RegKey& child : key->Subkeys())
            pending.push_back(&child);
    }
    store_->record = ChangeRecord{};
    store_->removedBelow.clear();
    store_->recording = true;
}

const ChangeRecord& Registry::Record() const { return store_->record; }

Registry Registry::Clone() const
{
    Registry copy;
    std::vector<std::pair<const RegKey*, RegKey*>> pending = {{root_, copy.root_}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        for (const RegValue& value : from->Values())
            to->SetValue(value.Name(), value.Type(), value.Data());
        for (const RegKey& child : from->Subkeys())
            pending.emplace_back(&child, &to->CreateSubkey(child.Name()));
    }
    return copy;
}

namespace {

void DumpKey(const RegKey& key, const std::string& path, std::string& out)
{
    if (!path.empty())
        out += path + "\n";
    for (const RegValue& value : key.Values()) {
        out += "  " + (value.Name().empty() ? std::string("@") : std::string(value.Name())) + " = type " +
               std::to_string(value.Type()) + ":";
        for (BYTE byte : value.Data()) {
            char hex[4];
            std::snprintf(hex, sizeof(hex), " %02x", byte);
            out += hex;
        }
        out += "\n";
    }
    for (const RegKey& child : key.Subkeys())
        DumpKey(child, path.empty() ? std::string(child.Name()) : path + "\\" + std::string(child.Name()), out);
}

}  // namespace

std::string Registry::Dump() const
{
    std::string out;
    DumpKey(*root_, "", out);
    return out;
}

}  // namespace win32sim
