#include "run/registry_changes.h"

#include <algorithm>

#include "win32sim/change_record.h"

namespace qalm {
namespace {

KeySubtree CountSubtree(const win32sim::RegKey& top)
{
    KeySubtree subtree{top.Path(), 0, 0};
    std::vector<const win32sim::RegKey*> pending = {&top};
    while (!pending.empty()) {
        const win32sim::RegKey* key = pending.back();
        pending.pop_back();
        ++subtree.keys;
        subtree.values += key->Values().size();
        for (const win32sim::RegKey& child : key->Subkeys())
            pending.push_back(&child);
    }
    return subtree;
}

// Depth-first enumeration order: name by name, each compared the registry's way.
bool PathLess(std::string_view a, std::string_view b)
{
    while (!a.empty() && !b.empty()) {
        const size_t aEnd = std::min(a.find('\\'), a.size());
        const size_t bEnd = std::min(b.find('\\'), b.size());
        const int order = win32sim::CompareNames(a.substr(0, aEnd), b.substr(0, bEnd));
        if (order != 0)
            return order < 0;
        a.remove_prefix(std::min(aEnd + 1, a.size()));
        b.remove_prefix(std::min(bEnd + 1, b.size()));
    }
    return a.empty() && !b.empty();
}

template <class Item, class PathOf>
void SortByPath(std::vector<Item>& items, PathOf pathOf)
{
    std::stable_sort(items.begin(), items.end(),
                     [&](const Item& a, const Item& b) { return PathLess(pathOf(a), pathOf(b)); });
}

// Before and now are both sorted by name the registry's way, so one merge pass finds every difference.
void CompareValues(const std::string& path, const std::vector<win32sim::RegValue>& before, const win32sim::RegKey& key,
                   RegistryChanges& changes)
{
    const auto now = key.Values();
    auto old = before.begin();
    auto current = now.begin();
    const auto change = [&](std::string_view name, DWORD type) { return ValueChange{path, std::string(name), type}; };
    while (old != before.end() || current != now.end()) {
        const int order = old == before.end()    ? 1
                          : current == now.end() ? -1
                                                 : win32sim::CompareNames(old->Name(), current->Name());
        if (order < 0) {
            changes.removedValues.push_back(change(old->Name(), old->Type()));
            ++old;
        } else if (order > 0) {
            changes.addedValues.push_back(change(current->Name(), current->Type()));
            ++current;
        } else {
            if (old->Type() != current->Type() || old->Data() != current->Data())
                changes.changedValues.push_back(change(current->Name(), current->Type()));
            ++old;
            ++current;
        }
    }
}

}  // namespace

size_t RegistryChanges::RemovedKeyCount() const
{
    size_t count = 0;
    for (const KeySubtree& subtree : removedKeys)
        count += subtree.keys;
    return count;
}

size_t RegistryChanges::RemovedValueCount() const
{
    size_t count = removedValues.size();
    for (const KeySubtree& subtree : removedKeys)
        count += subtree.values;
    return count;
}

bool RegistryChanges::Empty() const
{
    return removedKeys.empty() && removedValues.empty() && addedKeys.empty() && addedValues.empty() &&
           changedValues.empty();
}

RegistryRecording::RegistryRecording(win32sim::Registry& registry)
    : registry_(registry), keys_(registry.KeyCount()), values_(registry.ValueCount())
{
    registry.StartRecording();
}

RegistryChanges RegistryRecording::Changes() const
{
    const win32sim::ChangeRecord& record = registry_.Record();
    RegistryChanges changes;

    for (const win32sim::RemovedKey& removed : record.removedKeys) {
        if (!removed.parent->IsDeleted())  // else it is counted in the subtree removed with its parent
            changes.removedKeys.push_back({removed.path, removed.before.keys, removed.before.values});
    }
    SortByPath(changes.removedKeys, [](const KeySubtree& subtree) { return std::string_view(subtree.path); });

    std::vector<std::pair<std::string, const win32sim::RegKey*>> touched;
    for (const auto& [key, before] : record.valuesBefore) {
        if (!key->IsDeleted())
            touched.emplace_back(key->Path(), key);
    }
    SortByPath(touched, [](const auto& entry) { return std::string_view(entry.first); });
    for (const auto& [path, key] : touched)
        CompareValues(path, record.valuesBefore.at(key), *key, changes);

    for (const win32sim::RegKey* added : record.addedKeys) {
        if (!added->IsDeleted())
            changes.addedKeys.push_back(CountSubtree(*added));
    }
    SortByPath(changes.addedKeys, [](const KeySubtree& subtree) { return std::string_view(subtree.path); });
    return changes;
}

}  // namespace qalm
