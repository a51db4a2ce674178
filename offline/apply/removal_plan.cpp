#include "removal_plan.h"

#include <algorithm>

#include "regfile/printable.h"

namespace offline {
namespace {

// libhivex compares names folding ASCII letters only; so does this.
char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameNameFolded(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

std::vector<std::string> SplitPath(const std::string& file, const std::string& path)
{
    std::vector<std::string> parts;
    if (path.empty())
        return parts;
    size_t start = 0;
    while (true) {
        const size_t end = path.find('\\', start);
        const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty())
            throw ApplyError(qalm::Printable(file) + ": the key path \"" + qalm::Printable(path) +
                             "\" has an empty part");
        parts.push_back(part);
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// True when key is path itself or lies below it.
bool IsWithin(const std::vector<std::string>& key, const std::vector<std::string>& path)
{
    return key.size() >= path.size() && std::equal(path.begin(), path.end(), key.begin(), SameNameFolded);
}

bool IsWithinAny(const std::vector<std::string>& key, const std::vector<std::vector<std::string>>& removed)
{
    return std::any_of(removed.begin(), removed.end(),
                       [&](const std::vector<std::string>& path) { return IsWithin(key, path); });
}

// The exact name first, then one that differs in ASCII case only. A stored name
// with a NUL in it is never taken for the shorter name it reads as.
hive_node_h FindChild(const HiveHandle& hive, hive_node_h parent, const std::string& parentPath,
                      const std::string& name)
{
    hive_node_h folded = 0;
    for (hive_node_h child : hive.Children(parent, parentPath)) {
        const std::string childName = hive.Name(child, parentPath);
        if (!hive.NameIsWhole(child, childName))
            continue;
        if (childName == name)
            return child;
        if (!folded && SameNameFolded(childName, name))
            folded = child;
    }
    return folded;
}

hive_node_h FindKey(const HiveHandle& hive, const std::string& path)
{
    hive_node_h node = hive.Root();
    std::string walked;
    for (const std::string& part : SplitPath(hive.File(), path)) {
        node = FindChild(hive, node, walked, part);
        walked += (walked.empty() ? "" : "\\") + part;
        if (!node)
            throw ApplyError(qalm::Printable(hive.File()) + " holds no key " + qalm::Printable(walked) +
                             ", so it is not the hive these removals were made for");
    }
    return node;
}

hive_value_h FindValue(const HiveHandle& hive, hive_node_h node, const ValueRemoval& removal)
{
    hive_value_h folded = 0;
    for (hive_value_h value : hive.Values(node, removal.keyPath)) {
        const std::string name = hive.ValueName(value, removal.keyPath);
        if (!hive.ValueNameIsWhole(value, name))
            continue;
        if (name == removal.valueName)
            return value;
        if (!folded && SameNameFolded(name, removal.valueName))
            folded = value;
    }
    if (!folded)
        throw ApplyError(qalm::Printable(hive.File()) + " holds no value \"" + qalm::Printable(removal.valueName) +
                         "\" in " + KeyForMessage(removal.keyPath) +
                         ", so it is not the hive these removals were made for");
    return folded;
}

}  // namespace

RemovalPlan PlanRemovals(const HiveChanges& changes)
{
    std::vector<std::vector<std::string>> keyParts;
    for (const std::string& key : changes.removedKeys) {
        if (SplitPath(changes.file, key).empty())
            throw ApplyError(qalm::Printable(changes.file) + ": the root key cannot be removed");
        keyParts.push_back(SplitPath(changes.file, key));
    }
    // Shorter paths first, so that a key inside another is met after it.
    std::vector<size_t> order(keyParts.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return keyParts[a].size() < keyParts[b].size(); });

    RemovalPlan plan;
    std::vector<std::vector<std::string>> kept;
    for (size_t i : order) {
        if (IsWithinAny(keyParts[i], kept))
            continue;
        kept.push_back(keyParts[i]);
        plan.keys.push_back(changes.removedKeys[i]);
    }
    for (const ValueRemoval& value : changes.removedValues) {
        if (!IsWithinAny(SplitPath(changes.file, value.keyPath), kept))
            plan.values.push_back(value);
    }
    return plan;
}

FoundRemovals FindRemovals(const HiveHandle& hive, const RemovalPlan& plan)
{
    FoundRemovals found;
    for (const std::string& path : plan.keys) {
        const hive_node_h node = FindKey(hive, path);
        const bool known =
            std::any_of(found.keys.begin(), found.keys.end(), [&](const FoundKey& key) { return key.node == node; });
        if (!known)
            found.keys.push_back({node, path});
    }
    for (const ValueRemoval& removal : plan.values) {
        const hive_node_h node = FindKey(hive, removal.keyPath);
        const hive_value_h value = FindValue(hive, node, removal);
        auto key = std::find_if(found.values.begin(), found.values.end(),
                                [&](const FoundValues& entry) { return entry.node == node; });
        if (key == found.values.end())
            key = found.values.insert(found.values.end(), FoundValues{node, removal.keyPath, {}});
        if (std::find(key->values.begin(), key->values.end(), value) == key->values.end())
            key->values.push_back(value);
    }
    return found;
}

}  // namespace offline
