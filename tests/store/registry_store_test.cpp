#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "store/registry_store.h"
#include "win32sim/registry.h"

using namespace win32sim;

namespace {

// The work counted on one key with n subkeys and n values, all added (now and
// then read by index on the way), walked by index and removed in shuffled
// order: about n log n steps when each costs O(log n), n squared when any of
// them costs a walk, a move or a new sort of the siblings.
uint64_t StepsForSiblings(size_t count)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.push_back("Name" + std::to_string(i));
    std::mt19937 random(7);
    std::shuffle(names.begin(), names.end(), random);

    Registry registry;
    RegKey& key = registry.Create("K");
    for (size_t i = 0; i < names.size(); ++i) {
        key.CreateSubkey(names[i]);
        key.SetValue(names[i], REG_DWORD, std::vector<BYTE>{1, 0, 0, 0});
        if (i % 7 == 0)
            key.SubkeyAt(i / 2);
    }
    std::string previous;
    for (size_t i = 0; i < key.SubkeyCount(); ++i) {
        std::string name(key.SubkeyAt(i).Name());
        EXPECT_TRUE(previous.empty() || CaseInsensitiveLess()(previous, name)) << previous << " before " << name;
        previous = name;
    }
    std::shuffle(names.begin(), names.end(), random);
    for (const std::string& name : names) {
        EXPECT_TRUE(key.RemoveSubkey(name));
        EXPECT_TRUE(key.DeleteValue(name));
    }
    EXPECT_EQ(key.SubkeyCount() + key.Values().size(), 0u);
    return RegistryStore::Of(registry.Root()).Steps();
}

}  // namespace

TEST(RegistryStore, WorkPerSiblingGrowsWithTheLogarithmOfTheirNumber)
{
    const uint64_t small = StepsForSiblings(1000);
    const uint64_t large = StepsForSiblings(16000);
    // 16 times the siblings: n log n gives about 22 times the work, n squared 256.
    EXPECT_LT(large, small * 40) << small << " steps for 1000, " << large << " for 16000";
}
