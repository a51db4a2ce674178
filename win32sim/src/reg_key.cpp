#include <algorithm>
#include <stdexcept>

#include "key_path.h"
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

}  // namespace

RegKey::RegKey(std::string name, RegKey* parent) : name_(std::move(name)), parent_(parent) {}

std::string RegKey::Path() const
{
    if (!parent_)
        return deleted_ ? name_ : std::string();
    std::vector<const RegKey*> chain;
    for (const RegKey* key = this; key->parent_; key = key->parent_)
        chain.push_back(key);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty())
            path += '\\';
        path += (*it)->name_;
    }
    return path;
}

std::vector<std::shared_ptr<RegKey>>::const_iterator RegKey::LowerBound(std::string_view name) const
{
    return std::lower_bound(subkeys_.begin(), subkeys_.end(), name,
                            [](const std::shared_ptr<RegKey>& key, std::string_view wanted) {
                                return CaseInsensitiveLess()(key->name_, wanted);
                            });
}

RegKey* RegKey::FindSubkey(std::string_view name) const
{
    auto it = LowerBound(name);
    if (it == subkeys_.end() || !EqualsIgnoringCase((*it)->name_, name))
        return nullptr;
    return it->get();
}

std::shared_ptr<RegKey> RegKey::SharedSubkey(std::string_view name) const
{
    auto it = LowerBound(name);
    if (it == subkeys_.end() || !EqualsIgnoringCase((*it)->name_, name))
        return nullptr;
    return *it;
}

RegKey& RegKey::CreateSubkey(std::string_view name)
{
    CheckKeyName(name);
    // Loaders add keys in sorted order: appending must not cost a search.
    if (subkeys_.empty() || CaseInsensitiveLess()(subkeys_.back()->name_, name)) {
        subkeys_.push_back(std::make_shared<RegKey>(std::string(name), this));
        return *subkeys_.back();
    }
    auto it = LowerBound(name);
    if (EqualsIgnoringCase((*it)->name_, name))
        return **it;
    return **subkeys_.insert(it, std::make_shared<RegKey>(std::string(name), this));
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

std::vector<RegValue>::const_iterator RegKey::LowerBoundValue(std::string_view name) const
{
    return std::lower_bound(values_.begin(), values_.end(), name, [](const RegValue& value, std::string_view wanted) {
        return CaseInsensitiveLess()(value.name, wanted);
    });
}

const RegValue* RegKey::FindValue(std::string_view name) const
{
    auto it = LowerBoundValue(name);
    if (it == values_.end() || !EqualsIgnoringCase(it->name, name))
        return nullptr;
    return &*it;
}

void RegKey::SetValue(std::string_view name, DWORD type, std::vector<BYTE> data)
{
    if (values_.empty() || CaseInsensitiveLess()(values_.back().name, name)) {
        values_.push_back(RegValue{std::string(name), type, std::move(data)});
        return;
    }
    auto it = values_.begin() + (LowerBoundValue(name) - values_.cbegin());
    if (it != values_.end() && EqualsIgnoringCase(it->name, name)) {
        it->type = type;  // the stored name keeps its first spelling, as on the platform
        it->data = std::move(data);
        return;
    }
    values_.insert(it, RegValue{std::string(name), type, std::move(data)});
}

bool RegKey::DeleteValue(std::string_view name)
{
    auto it = LowerBoundValue(name);
    if (it == values_.end() || !EqualsIgnoringCase(it->name, name))
        return false;
    values_.erase(it);
    return true;
}

bool RegKey::RemoveSubkey(std::string_view name)
{
    auto it = LowerBound(name);
    if (it == subkeys_.end() || !EqualsIgnoringCase((*it)->name_, name))
        return false;
    std::shared_ptr<RegKey> removed = *it;
    subkeys_.erase(it);
    removed->MarkSubtreeDeleted();
    return true;
}

void RegKey::MarkSubtreeDeleted()
{
    // Detach every key of the subtree: only those still held by a handle
    // survive, and none of them points at a parent that may be freed.
    std::vector<std::shared_ptr<RegKey>> pending;
    deleted_ = true;
    parent_ = nullptr;
    pending.swap(subkeys_);
    while (!pending.empty()) {
        std::shared_ptr<RegKey> key = std::move(pending.back());
        pending.pop_back();
        key->deleted_ = true;
        key->parent_ = nullptr;
        for (auto& child : key->subkeys_)
            pending.push_back(std::move(child));
        key->subkeys_.clear();
    }
}

}  // namespace win32sim
