#include "hive_compare.h"

#include <unordered_set>

#include "regfile/printable.h"

namespace offline {
namespace {

// Windows nests keys at most this deep; a deeper chain can only be a loop in a damaged hive.
constexpr size_t kDeepestKey = 512;

class HiveComparison {
public:
    HiveComparison(const HiveHandle& original, const FoundRemovals& removals, const HiveHandle& written)
        : original_(original), written_(written)
    {
        for (const FoundKey& key : removals.keys)
            removedKeys_.insert(key.node);
        for (const FoundValues& key : removals.values)
            removedValues_.insert(key.values.begin(), key.values.end());
    }

    void Compare() const
    {
        const hive_node_h original = original_.Root();
        const hive_node_h written = written_.Root();
        if (written_.Name(written, "") != original_.Name(original, ""))
            Differs("", "its name is \"" + qalm::Printable(written_.Name(written, "")) + "\"");
        CompareKey(original, written, "", 0);
    }

private:
    [[noreturn]] void Differs(const std::string& path, const std::string& what) const
    {
        throw ApplyError(qalm::Printable(written_.File()) + ", written for " + qalm::Printable(original_.File()) +
                         ", differs from what the removals leave in " + KeyForMessage(path) + ": " + what);
    }

    void CompareKey(hive_node_h original, hive_node_h written, const std::string& path, size_t depth) const
    {
        if (depth > kDeepestKey)
            Differs(path, "keys nest deeper than " + std::to_string(kDeepestKey) + " levels");
        CompareValues(original, written, path);

        std::vector<hive_node_h> expected;
        for (hive_node_h child : original_.Children(original, path)) {
            if (!removedKeys_.count(child))
                expected.push_back(child);
        }
        const std::vector<hive_node_h> children = written_.Children(written, path);
        if (children.size() != expected.size())
            Differs(path, std::to_string(children.size()) + " subkeys where " + std::to_string(expected.size()) +
                              " were expected");
        for (size_t i = 0; i < children.size(); ++i) {
            const std::string name = original_.Name(expected[i], path);
            const std::string writtenName = written_.Name(children[i], path);
            if (writtenName != name)
                Differs(path, "subkey " + std::to_string(i + 1) + " is \"" + qalm::Printable(writtenName) +
                                  "\" where \"" + qalm::Printable(name) + "\" was expected");
            CompareKey(expected[i], children[i], path.empty() ? name : path + "\\" + name, depth + 1);
        }
    }

    void CompareValues(hive_node_h original, hive_node_h written, const std::string& path) const
    {
        std::vector<hive_value_h> expected;
        for (hive_value_h value : original_.Values(original, path)) {
            if (!removedValues_.count(value))
                expected.push_back(value);
        }
        const std::vector<hive_value_h> values = written_.Values(written, path);
        if (values.size() != expected.size())
            Differs(path, std::to_string(values.size()) + " values where " + std::to_string(expected.size()) +
                              " were expected");
        for (size_t i = 0; i < values.size(); ++i) {
            const HiveValue want = original_.Value(expected[i], path);
            const HiveValue got = written_.Value(values[i], path);
            if (got.name != want.name)
                Differs(path, "value " + std::to_string(i + 1) + " is \"" + qalm::Printable(got.name) + "\" where \"" +
                                  qalm::Printable(want.name) + "\" was expected");
            if (got.type != want.type)
                Differs(path, "the value \"" + qalm::Printable(want.name) + "\" has type " + std::to_string(got.type) +
                                  " where " + std::to_string(want.type) + " was expected");
            if (got.data != want.data)
                Differs(path, "the value \"" + qalm::Printable(want.name) + "\" holds other data (" +
                                  std::to_string(got.data.size()) + " bytes where " + std::to_string(want.data.size()) +
                                  " were expected)");
        }
    }

    const HiveHandle& original_;
    const HiveHandle& written_;
    std::unordered_set<hive_node_h> removedKeys_;
    std::unordered_set<hive_value_h> removedValues_;
};

}  // namespace

void CompareWithExpected(const HiveHandle& original, const FoundRemovals& removals, const HiveHandle& written)
{
    HiveComparison(original, removals, written).Compare();
}

}  // namespace offline
