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

    void Compare()
    {
        const hive_node_h original = original_.Root();
        const hive_node_h written = written_.Root();
        if (written_.Name(written, "") != original_.Name(original, ""))
            Differs("its name is \"" + qalm::Printable(written_.Name(written, "")) + "\"");
        CompareKey(original, written);
    }

private:
    // Names go on a stack and become a path only for a message.
    std::string Path() const
    {
        std::string path;
        for (const std::string& name : names_)
            path += (path.empty() ? "" : "\\") + name;
        return path;
    }

    [[noreturn]] void Differs(const std::string& what) const
    {
        throw ApplyError(qalm::Printable(written_.File()) + ", written for " + qalm::Printable(original_.File()) +
                         ", differs from what the removals leave in " + KeyForMessage(Path()) + ": " + what +
                         ". Nothing was replaced.");
    }

    void CompareKey(hive_node_h original, hive_node_h written)
    {
        if (names_.size() > kDeepestKey)
            Differs("keys nest deeper than " + std::to_string(kDeepestKey) + " levels");
        const std::string path = Path();
        CompareValues(original, written, path);

        std::vector<hive_node_h> expected;
        for (hive_node_h child : original_.Children(original, path)) {
            if (!removedKeys_.count(child))
                expected.push_back(child);
        }
        const std::vector<hive_node_h> children = written_.Children(written, path);
        if (children.size() != expected.size())
            Differs(std::to_string(children.size()) + " subkeys where " + std::to_string(expected.size()) +
                    " were expected");
        for (size_t i = 0; i < children.size(); ++i) {
            const std::string name = original_.Name(expected[i], path);
            if (written_.Name(children[i], path) != name)
                Differs("subkey " + std::to_string(i + 1) + " is \"" +
                        qalm::Printable(written_.Name(children[i], path)) + "\" where \"" + qalm::Printable(name) +
                        "\" was expected");
            names_.push_back(name);
            CompareKey(expected[i], children[i]);
            names_.pop_back();
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
            Differs(std::to_string(values.size()) + " values where " + std::to_string(expected.size()) +
                    " were expected");
        for (size_t i = 0; i < values.size(); ++i) {
            const HiveValue want = original_.Value(expected[i], path);
            const HiveValue got = written_.Value(values[i], path);
            const std::string name = "the value \"" + qalm::Printable(want.name) + "\"";
            if (got.name != want.name || got.nameIsWhole != want.nameIsWhole)
                Differs("value " + std::to_string(i + 1) + " is \"" + qalm::Printable(got.name) + "\" where " + name +
                        " was expected");
            if (got.type != want.type)
                Differs(name + " has type " + std::to_string(got.type) + " where " + std::to_string(want.type) +
                        " was expected");
            if (got.data != want.data)
                Differs(name + " holds other data (" + std::to_string(got.data.size()) + " bytes where " +
                        std::to_string(want.data.size()) + " were expected)");
        }
    }

    const HiveHandle& original_;
    const HiveHandle& written_;
    std::unordered_set<hive_node_h> removedKeys_;
    std::unordered_set<hive_value_h> removedValues_;
    std::vector<std::string> names_;
};

}  // namespace

void CompareWithExpected(const HiveHandle& original, const FoundRemovals& removals, const HiveHandle& written)
{
    HiveComparison(original, removals, written).Compare();
}

}  // namespace offline
