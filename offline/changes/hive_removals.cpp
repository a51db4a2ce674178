#include "changes/hive_removals.h"

#include <stdexcept>

#include "offline_error.h"
#include "regfile/printable.h"

namespace qalm {
namespace {

// True when path is key or lies below it, compared the registry's way.
bool IsWithin(std::string_view path, std::string_view key)
{
    if (path.size() < key.size() || !win32sim::EqualsIgnoringCase(path.substr(0, key.size()), key))
        return false;
    return path.size() == key.size() || path[key.size()] == '\\';
}

// Every run's removed keys in one hive, in order.
std::vector<const HiveKey*> RemovedKeysOf(HiveKind hive, const std::vector<HiveRemovals>& runs)
{
    std::vector<const HiveKey*> keys;
    for (const HiveRemovals& run : runs) {
        for (const HiveKey& key : run.keys) {
            if (key.hive == hive)
                keys.push_back(&key);
        }
    }
    return keys;
}

// Below another removed key, or that key again: the subtree goes whole.
bool GoesWithAnother(const std::vector<const HiveKey*>& removed, size_t index)
{
    const std::string& path = removed[index]->path;
    for (size_t other = 0; other < removed.size(); ++other) {
        const std::string& top = removed[other]->path;
        if (other != index && IsWithin(path, top) && (top.size() < path.size() || other < index))
            return true;
    }
    return false;
}

bool IsRemovedWithKey(const HiveKey& key, const std::vector<const HiveKey*>& removed)
{
    for (const HiveKey* top : removed) {
        if (IsWithin(key.path, top->path))
            return true;
    }
    return false;
}

std::string ShownValue(const std::string& keyPath, const std::string& name)
{
    return "the value \"" + Printable(name) + "\" of HKLM\\" + Printable(keyPath);
}

void AddRemovals(const RegistryChanges& changes, const HiveLayout& layout, HiveRemovals& removals)
{
    for (const KeySubtree& subtree : changes.removedKeys) {
        if (std::optional<HiveKey> key = layout.ToHive(subtree.path))
            removals.keys.push_back(std::move(*key));
        else
            removals.notInHives.push_back("the removal of HKLM\\" + Printable(subtree.path));
    }
    for (const ValueChange& value : changes.removedValues) {
        if (std::optional<HiveKey> key = layout.ToHive(value.keyPath))
            removals.values.push_back({std::move(*key), value.name});
        else
            removals.notInHives.push_back("the removal of " + ShownValue(value.keyPath, value.name));
    }
    // The program only deletes; a writer of removals has no place for more.
    for (const KeySubtree& added : changes.addedKeys)
        removals.notInHives.push_back("the key HKLM\\" + Printable(added.path) + " it added");
    for (const ValueChange& value : changes.addedValues)
        removals.notInHives.push_back(ShownValue(value.keyPath, value.name) + " it added");
    for (const ValueChange& value : changes.changedValues)
        removals.notInHives.push_back(ShownValue(value.keyPath, value.name) + " it changed");
}

}  // namespace

HiveRemovals ToHiveRemovals(const PreviewResult& run, const HiveLayout& layout)
{
    HiveRemovals removals;
    if (run.handover && run.handover->twin)
        AddRemovals(run.handover->twin->changes, layout, removals);
    AddRemovals(run.changes, layout, removals);
    return removals;
}

void ReplayRemovals(const HiveRemovals& removals, const HiveLayout& layout, win32sim::Registry& registry)
{
    for (const HiveKey& key : removals.keys) {
        if (!registry.DeleteTree(layout.ToMachine(key)))
            throw std::logic_error("no key " + ShownHiveKey(key) + " to remove again");
    }
    for (const HiveValueName& value : removals.values) {
        win32sim::RegKey* key = registry.Find(layout.ToMachine(value.key));
        if (!key || !key->DeleteValue(value.name))
            throw std::logic_error("no value \"" + value.name + "\" in " + ShownHiveKey(value.key) +
                                   " to remove again");
    }
}

std::vector<offline::HiveChanges> ChangesToWrite(const std::vector<HiveRemovals>& runs, const HiveFiles& files)
{
    for (const HiveRemovals& run : runs) {
        if (!run.notInHives.empty())
            throw OfflineError("the run made a change no hive file takes: " + run.notInHives.front() +
                               ". Nothing was written.");
    }
    std::vector<offline::HiveChanges> changes;
    for (const HiveFile& file : files.files) {
        offline::HiveChanges hive{file.path, {}, {}};
        const std::vector<const HiveKey*> removed = RemovedKeysOf(file.kind, runs);
        for (size_t i = 0; i < removed.size(); ++i) {
            if (!GoesWithAnother(removed, i))
                hive.removedKeys.push_back(removed[i]->path);
        }
        for (const HiveRemovals& run : runs) {
            for (const HiveValueName& value : run.values) {
                if (value.key.hive == file.kind && !IsRemovedWithKey(value.key, removed))
                    hive.removedValues.push_back({value.key.path, value.name});
            }
        }
        if (!hive.removedKeys.empty() || !hive.removedValues.empty())
            changes.push_back(std::move(hive));
    }
    return changes;
}

}  // namespace qalm
