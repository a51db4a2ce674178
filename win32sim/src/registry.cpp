#include <cstdio>
#include <stdexcept>

#include "key_path.h"
#include "win32sim/registry.h"

namespace win32sim {

Registry::Registry() : root_(std::make_shared<RegKey>("", nullptr)) {}

RegKey* Registry::Find(std::string_view path) const { return root_->FindPath(path); }

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
    RegKey* key = root_.get();
    for (std::string_view name : names)
        key = &key->CreateSubkey(name);
    return *key;
}

bool Registry::DeleteTree(std::string_view path)
{
    RegKey* key = Find(path);
    if (!key || key == root_.get())
        return false;
    return key->Parent()->RemoveSubkey(key->Name());
}

void Registry::SetValue(std::string_view path, std::string_view name, DWORD type, std::vector<BYTE> data)
{
    Create(path).SetValue(name, type, std::move(data));
}

void Registry::SetString(std::string_view path, std::string_view name, std::string_view text)
{
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(path, name, REG_SZ, std::move(data));
}

void Registry::SetDword(std::string_view path, std::string_view name, DWORD value)
{
    std::vector<BYTE> data = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                              static_cast<BYTE>(value >> 24)};
    SetValue(path, name, REG_DWORD, std::move(data));
}

size_t Registry::KeyCount() const
{
    size_t count = 0;
    std::vector<const RegKey*> pending = {root_.get()};
    while (!pending.empty()) {
        const RegKey* key = pending.back();
        pending.pop_back();
        count += key->SubkeyCount();
        for (size_t i = 0; i < key->SubkeyCount(); ++i)
            pending.push_back(&key->SubkeyAt(i));
    }
    return count;
}

Registry Registry::Clone() const
{
    Registry copy;
    std::vector<std::pair<const RegKey*, RegKey*>> pending = {{root_.get(), copy.root_.get()}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        for (const RegValue& value : from->Values())
            to->SetValue(value.name, value.type, value.data);
        for (size_t i = 0; i < from->SubkeyCount(); ++i) {
            const RegKey& child = from->SubkeyAt(i);
            pending.emplace_back(&child, &to->CreateSubkey(child.Name()));
        }
    }
    return copy;
}

namespace {

void DumpKey(const RegKey& key, const std::string& path, std::string& out)
{
    if (!path.empty())
        out += path + "\n";
    for (const RegValue& value : key.Values()) {
        out += "  " + (value.name.empty() ? std::string("@") : value.name) + " = type " + std::to_string(value.type) +
               ":";
        for (BYTE byte : value.data) {
            char hex[4];
            std::snprintf(hex, sizeof(hex), " %02x", byte);
            out += hex;
        }
        out += "\n";
    }
    for (size_t i = 0; i < key.SubkeyCount(); ++i) {
        const RegKey& child = key.SubkeyAt(i);
        DumpKey(child, path.empty() ? child.Name() : path + "\\" + child.Name(), out);
    }
}

}  // namespace

std::string Registry::Dump() const
{
    std::string out;
    DumpKey(*root_, "", out);
    return out;
}

}  // namespace win32sim
