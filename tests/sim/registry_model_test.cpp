#include <gtest/gtest.h>

#include <stdexcept>

#include "sim_test_support.h"
#include "win32sim/registry.h"

using namespace win32sim;
using simtest::AddKeys;
using simtest::SubkeyNames;

TEST(RegistryModel, FindsKeysWhateverTheCaseAndKeepsTheStoredSpelling)
{
    Registry registry;
    registry.Create("SOFTWARE\\Microsoft\\Windows");
    RegKey* key = registry.Find("software\\MICROSOFT\\windows\\");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Path(), "SOFTWARE\\Microsoft\\Windows");
    EXPECT_EQ(&registry.Create("Software\\microsoft"), key->Parent());
    EXPECT_EQ(registry.KeyCount(), 3u);

    // Among many siblings names are found by a hash, which must fold every character.
    for (int i = 0; i < 40; ++i)
        registry.Create("SOFTWARE\\Classes\\Component.Class" + std::to_string(i) + ".Version");
    EXPECT_NE(registry.Find("software\\classes\\COMPONENT.CLASS17.VERSION"), nullptr);
    registry.Create("SOFTWARE\\CLASSES\\component.class17.version");
    EXPECT_EQ(registry.Find("SOFTWARE\\Classes")->SubkeyCount(), 40u);
}

TEST(RegistryModel, FindRefusesEmptyNamesInsideAPath)
{
    Registry registry;
    registry.Create("A\\B");
    EXPECT_EQ(registry.Find("A\\\\B"), nullptr);
    EXPECT_EQ(registry.Find("\\A"), nullptr);
    EXPECT_EQ(registry.Find("A\\B\\\\"), nullptr);
    EXPECT_EQ(registry.Find(""), &registry.Root());
}

TEST(RegistryModel, KeepsSubkeysInUpperCasedOrderWhateverOrderTheyCameIn)
{
    Registry registry;
    AddKeys(registry, {"K\\b", "K\\_under", "K\\C", "K\\a0", "K\\A", "K\\Z"});
    // Letters compare upper-cased, so '_' (after 'Z') sorts after every letter.
    EXPECT_EQ(SubkeyNames(*registry.Find("K")), (std::vector<std::string>{"A", "a0", "b", "C", "Z", "_under"}));

    // Long names are sorted several characters at a time: the case folds there
    // too, a name before those it starts, 'Z' before '_'.
    AddKeys(registry,
            {"L\\Device_parameters_b", "L\\DEVICE_PARAMETERS_", "L\\device_Parameters_A", "L\\Device_parametersZ"});
    EXPECT_EQ(SubkeyNames(*registry.Find("L")),
              (std::vector<std::string>{"Device_parametersZ", "DEVICE_PARAMETERS_", "device_Parameters_A",
                                        "Device_parameters_b"}));
}

TEST(RegistryModel, CreateRejectsEmptyAndOverlongNamesWithoutCreatingAnything)
{
    Registry registry;
    std::string longName(MaxKeyNameLength + 1, 'x');
    for (std::string path : {std::string("A\\\\B"), std::string("\\A"), "A\\" + longName}) {
        try {
            registry.Create(path);
            ADD_FAILURE() << "accepted " << path;
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(path.substr(0, 4)), std::string::npos) << error.what();
        }
        EXPECT_EQ(registry.KeyCount(), 0u) << path;
    }
    registry.Create("A\\" + std::string(MaxKeyNameLength, 'y'));
    EXPECT_EQ(registry.KeyCount(), 2u);
}

TEST(RegistryModel, ValuesMatchWhateverTheCaseAndAreReplacedInPlace)
{
    Registry registry;
    registry.SetDword("K", "Type", 1);
    registry.SetString("K", "type", "x");
    const RegKey& key = *registry.Find("K");
    ASSERT_EQ(key.Values().size(), 1u);
    EXPECT_EQ(key.Values().begin()->Name(), "Type");
    EXPECT_EQ(key.FindValue("TYPE")->Type(), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(key.FindValue("TYPE")->Data(), (std::vector<BYTE>{'x', 0}));
    EXPECT_TRUE(registry.Find("k")->DeleteValue("tYpE"));
    EXPECT_EQ(key.FindValue("Type"), nullptr);

    for (int i = 0; i < 40; ++i)
        registry.SetDword("K", "ConfigurationFlags" + std::to_string(i), 0);
    registry.SetDword("K", "CONFIGURATIONflags17", 1);
    EXPECT_EQ(key.Values().size(), 40u);
}

TEST(RegistryModel, RemovingASubtreeMarksEveryKeyInItDeleted)
{
    Registry registry;
    AddKeys(registry, {"A\\B\\C", "A\\D"});
    std::shared_ptr<RegKey> held = registry.Find("A\\B")->SharedSubkey("C");
    EXPECT_TRUE(registry.DeleteTree("a\\b"));
    EXPECT_TRUE(held->IsDeleted());
    EXPECT_EQ(held->Parent(), nullptr);
    EXPECT_EQ(registry.Find("A\\B"), nullptr);
    EXPECT_EQ(SubkeyNames(*registry.Find("A")), std::vector<std::string>{"D"});
    EXPECT_FALSE(registry.DeleteTree(""));
    EXPECT_FALSE(registry.DeleteTree("A\\B"));
}

TEST(RegistryModel, CloneCopiesContentsButNotFaults)
{
    Registry registry;
    AddKeys(registry, {"A\\B", "A\\C"});
    registry.SetString("A\\B", "", "default");
    registry.Find("A\\B")->refusesDeletion = true;
    Registry copy = registry.Clone();
    EXPECT_EQ(copy.Dump(), registry.Dump());
    EXPECT_FALSE(copy.Find("A\\B")->refusesDeletion);
    copy.DeleteTree("A\\C");
    EXPECT_NE(copy.Dump(), registry.Dump());
    EXPECT_NE(registry.Find("A\\C"), nullptr);
}

TEST(RegistryModel, DumpListsKeysDepthFirstWithTheirValues)
{
    Registry registry;
    AddKeys(registry, {"B", "A\\X"});
    registry.SetDword("A", "Type", 1);
    EXPECT_EQ(registry.Dump(), "A\n  Type = type 4: 01 00 00 00\nA\\X\nB\n");
}

TEST(RegistryModel, AValueDeletedWhileItsKeyShrankStaysGoneWhenTheKeyGrowsAgain)
{
    Registry registry;
    RegKey& key = registry.Create("K");
    for (int i = 0; i < 17; ++i)
        key.SetValue("V" + std::to_string(i), REG_DWORD, std::vector<BYTE>{1, 0, 0, 0});
    EXPECT_TRUE(key.DeleteValue("V0"));
    EXPECT_TRUE(key.DeleteValue("V1"));
    key.SetValue("W0", REG_DWORD, std::vector<BYTE>{1, 0, 0, 0});
    key.SetValue("W1", REG_DWORD, std::vector<BYTE>{1, 0, 0, 0});
    EXPECT_EQ(key.FindValue("V1"), nullptr);
    EXPECT_EQ(key.Values().size(), 17u);
}
