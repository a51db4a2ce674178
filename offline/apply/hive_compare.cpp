#include "hive_compare.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "regfile/printable.h"

namespace offline {
namespace {

// Windows nests keys at most this deep; a deeper chain can only be a loop in a damaged hive.
constexpr size_t kDeepestKey = 512;

// Both hives are read as a bare walk reads one, nothing copied: this check
// costs what reading the two hives through libhivex costs.
class HiveComparison {
public:
    HiveComparison(const HiveHandle& original, const FoundRemovals& removals, const HiveHandle& written)
        : original_(original), written_(written)
    {
        for (const FoundKey& key : removals.keys)
            removedKeys_.push_back(key.node);
        for (const FoundValues& key : removals.values)
            removedValues_.insert(removedValues_.end(), key.values.begin(), key.values.end());
        std::sort(removedKeys_.begin(), removedKeys_.end());
        std::sort(removedValues_.begin(), removedValues_.end());
    }

    void Compare() const
    {
        const hive_node_h original = original_.Root();
        const hive_node_h written = written_.Root();
        std::string path;
        const HivexMemory<char> name = original_.StoredName(original, path);
        const HivexMemory<char> writtenName = written_.StoredName(written, path);
        if (std::strcmp(writtenName.get(), name.get()) != 0)
            Differs(path, "its name is \"" + qalm::Printable(writtenName.get()) + "\"");
        CompareKey(original, written, path, 0);
    }

private:
    [[noreturn]] void Differs(const std::string& path, const std::string& what) const
    {
        throw ApplyError(qalm::Printable(written_.File()) + ", written for " + qalm::Printable(original_.File()) +
                         ", differs from what the removals leave in " + KeyForMessage(path) + ": " + what);
    }

    template <typename Handle>
    static size_t CountKept(const HandleList<Handle>& list, const std::vector<Handle>& removed)
    {
        size_t kept = 0;
        for (Handle handle : list)
            kept += std::binary_search(removed.begin(), removed.end(), handle) ? 0 : 1;
        return kept;
    }

    // The next handle of list from next on that is not removed; each call moves next past it.
    template <typename Handle>
    static Handle NextKept(const HandleList<Handle>& list, const std::vector<Handle>& removed, size_t& next)
    {
        while (std::binary_search(removed.begin(), removed.end(), list[next]))
            ++next;
        return list[next++];
    }

    // path: the key's, extended in place for each subkey.
    void CompareKey(hive_node_h original, hive_node_h written, std::string& path, size_t depth) const
    {
        if (depth > kDeepestKey)
            Differs(path, "keys nest deeper than " + std::to_string(kDeepestKey) + " levels");
        CompareValues(original, written, path);

        const HandleList<hive_node_h> originals = original_.Children(original, path);
        const HandleList<hive_node_h> children = written_.Children(written, path);
        const size_t expected = CountKept(originals, removedKeys_);
        if (children.size() != expected)
            Differs(path,
                    std::to_string(children.size()) + " subkeys where " + std::to_string(expected) + " were expected");
        size_t next = 0;
        for (size_t i = 0; i < children.size(); ++i) {
            const hive_node_h want = NextKept(originals, removedKeys_, next);
            const HivexMemory<char> name = original_.StoredName(want, path);
            const HivexMemory<char> writtenName = written_.StoredName(children[i], path);
            if (std::strcmp(writtenName.get(), name.get()) != 0)
                Differs(path, "subkey " + std::to_string(i + 1) + " is \"" + qalm::Printable(writtenName.get()) +
                                  "\" where \"" + qalm::Printable(name.get()) + "\" was expected");
            const size_t length = path.size();
            path.append(path.empty() ? "" : "\\").append(name.get());
            CompareKey(want, children[i], path, depth + 1);
            path.resize(length);
        }
    }

    void CompareValues(hive_node_h original, hive_node_h written, const std::string& path) const
    {
        const HandleList<hive_value_h> originals = original_.Values(original, path);
        const HandleList<hive_value_h> values = written_.Values(written, path);
        const size_t expected = CountKept(originals, removedValues_);
        if (values.size() != expected)
            Differs(path,
                    std::to_string(values.size()) + " values where " + std::to_string(expected) + " were expected");
        size_t next = 0;
        for (size_t i = 0; i < values.size(); ++i) {
            const StoredValue want = original_.Stored(NextKept(originals, removedValues_, next), path);
            const StoredValue got = written_.Stored(values[i], path);
            if (std::strcmp(got.name.get(), want.name.get()) != 0)
                Differs(path, "value " + std::to_string(i + 1) + " is \"" + qalm::Printable(got.name.get()) +
                                  "\" where \"" + qalm::Printable(want.name.get()) + "\" was expected");
            if (got.type != want.type)
                Differs(path, "the value \"" + qalm::Printable(want.name.get()) + "\" has type " +
                                  std::to_string(got.type) + " where " + std::to_string(want.type) + " was expected");
            if (got.size != want.size || std::memcmp(got.data.get(), want.data.get(), want.size) != 0)
                Differs(path, "the value \"" + qalm::Printable(want.name.get()) + "\" holds other data (" +
                                  std::to_string(got.size) + " bytes where " + std::to_string(want.size) +
                                  " were expected)");
        }
    }

    const HiveHandle& original_;
    const HiveHandle& written_;
    std::vector<hive_node_h> removedKeys_;  // sorted
    std::vector<hive_value_h> removedValues_;
};

}  // namespace

void CompareWithExpected(const HiveHandle& original, const FoundRemovals& removals, const HiveHandle& written)
{
    HiveComparison(original, removals, written).Compare();
}

}  // namespace offline
