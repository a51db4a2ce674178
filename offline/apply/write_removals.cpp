#include "write_removals.h"

#include <algorithm>

#include "regfile/printable.h"

namespace offline {
namespace {

// From hive format 1.4 on, Windows reads data longer than this from a list of
// pieces, which libhivex does not write when it rewrites a key's values.
constexpr size_t kLongestDataInOneCell = 16344;

[[noreturn]] void RefuseToRewrite(const HiveHandle& hive, const FoundValues& key, const HiveValue& value,
                                  const std::string& reason)
{
    throw ApplyError(qalm::Printable(hive.File()) + ": cannot remove a value from " + KeyForMessage(key.path) +
                     ": libhivex rewrites all of the key's values, and the value \"" + qalm::Printable(value.name) +
                     "\" " + reason);
}

// libhivex deletes no single value: the key gets its other values again, as they were.
void RemoveValues(HiveHandle& hive, const FoundValues& key, const BaseBlock& base)
{
    std::vector<HiveValue> kept;
    for (hive_value_h value : hive.Values(key.node, key.path)) {
        if (std::find(key.values.begin(), key.values.end(), value) != key.values.end())
            continue;
        HiveValue stored = hive.Value(value, key.path);
        if (!hive.ValueNameIsWhole(value, stored.name))
            RefuseToRewrite(hive, key, stored, "has a NUL in its name, which libhivex would cut short");
        if (base.minorVersion >= 4 && stored.data.size() > kLongestDataInOneCell)
            RefuseToRewrite(hive, key, stored,
                            "holds " + std::to_string(stored.data.size()) +
                                " bytes, which it would store in a form this hive's Windows does not read");
        kept.push_back(std::move(stored));
    }
    hive.SetValues(key.node, kept, key.path);
}

}  // namespace

void WriteRemovals(HiveHandle& hive, const FoundRemovals& removals, const BaseBlock& base)
{
    // Subtrees first: no value to remove lies inside one, and deleting them
    // leaves every other key where it was found.
    for (const FoundKey& key : removals.keys)
        hive.DeleteSubtree(key.node, key.path);
    for (const FoundValues& key : removals.values)
        RemoveValues(hive, key, base);
}

}  // namespace offline
