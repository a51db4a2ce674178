#include "run/registry_changes.h"
#include "preview_test_support.h"
#include "report/removal_tree.h"

namespace qalm::testing {
namespace {

const char* const kMachine =
    "REGEDIT4\n"
    "[HKLM\\SOFTWARE\\Uninstall\\VQRMDM]\n\"DisplayName\"=\"Modem\"\n\"Version\"=\"7\"\n"
    "[HKLM\\SOFTWARE\\Uninstall\\Other]\n\"DisplayName\"=\"Other\"\n"
    "[HKLM\\SYSTEM\\Services\\QalmPort]\n\"Type\"=dword:1\n"
    "[HKLM\\SYSTEM\\Services\\QalmPort\\Parameters\\QalmPort1]\n\"PortName\"=\"COM3\"\n"
    "[HKLM\\SYSTEM\\Services\\QalmPort\\Security]\n\"Security\"=hex:01,00\n"
    "[HKLM\\HARDWARE\\SERIALCOMM]\n\"QalmPort1\"=\"COM3\"\n\"Serial0\"=\"COM1\"\n";

TEST(RegistryChanges, FindsNothingWhenNothingChanged)
{
    win32sim::Registry registry = RegistryFrom(kMachine);
    const RegistryRecording before(registry);
    EXPECT_EQ(before.KeyCount(), registry.KeyCount());
    EXPECT_EQ(before.ValueCount(), 8u);
    EXPECT_TRUE(before.Changes().Empty());
}

TEST(RegistryChanges, ReportsARemovedSubtreeOnceWithItsCounts)
{
    win32sim::Registry registry = RegistryFrom(kMachine);
    const RegistryRecording before(registry);
    registry.DeleteTree("SYSTEM\\Services\\QalmPort\\Security");  // inside the tree removed next
    registry.DeleteTree("SYSTEM\\Services\\QalmPort");
    registry.DeleteTree("SOFTWARE\\Uninstall\\VQRMDM");

    const RegistryChanges changes = before.Changes();
    ASSERT_EQ(changes.removedKeys.size(), 2u);
    EXPECT_EQ(changes.removedKeys[0].path, "SOFTWARE\\Uninstall\\VQRMDM");
    EXPECT_EQ(changes.removedKeys[0].keys, 1u);
    EXPECT_EQ(changes.removedKeys[0].values, 2u);
    EXPECT_EQ(changes.removedKeys[1].path, "SYSTEM\\Services\\QalmPort");
    EXPECT_EQ(changes.removedKeys[1].keys, 4u);  // itself, Parameters, QalmPort1, Security
    EXPECT_EQ(changes.removedKeys[1].values, 3u);
    EXPECT_EQ(changes.RemovedKeyCount(), 5u);
    EXPECT_EQ(changes.RemovedValueCount(), 5u);
    EXPECT_TRUE(changes.removedValues.empty());
    EXPECT_TRUE(changes.addedKeys.empty());
}

TEST(RegistryChanges, ReportsValuesRemovedFromKeysThatStay)
{
    win32sim::Registry registry = RegistryFrom(kMachine);
    const RegistryRecording before(registry);
    registry.Find("HARDWARE\\SERIALCOMM")->DeleteValue("qalmport1");

    const RegistryChanges changes = before.Changes();
    ASSERT_EQ(changes.removedValues.size(), 1u);
    EXPECT_EQ(changes.removedValues[0].keyPath, "HARDWARE\\SERIALCOMM");
    EXPECT_EQ(changes.removedValues[0].name, "QalmPort1");  // as it was spelled in the registry
    EXPECT_EQ(changes.removedValues[0].type, static_cast<DWORD>(REG_SZ));
    EXPECT_TRUE(changes.removedKeys.empty());
    EXPECT_EQ(changes.RemovedValueCount(), 1u);
}

TEST(RegistryChanges, ShowsAddedAndChangedEntriesToo)
{
    win32sim::Registry registry = RegistryFrom(kMachine);
    const RegistryRecording before(registry);
    registry.SetString("SOFTWARE\\Uninstall\\Other", "DisplayName", "Renamed");
    registry.SetDword("SOFTWARE\\Uninstall\\Other", "New", 1);
    registry.SetString("SOFTWARE\\Uninstall\\Brand\\New", "V", "1");
    registry.Create("SOFTWARE\\Uninstall\\VQRMDM\\Child");

    const RegistryChanges changes = before.Changes();
    ASSERT_EQ(changes.changedValues.size(), 1u);
    EXPECT_EQ(changes.changedValues[0].name, "DisplayName");
    ASSERT_EQ(changes.addedValues.size(), 1u);
    EXPECT_EQ(changes.addedValues[0].name, "New");
    ASSERT_EQ(changes.addedKeys.size(), 2u);
    EXPECT_EQ(changes.addedKeys[0].path, "SOFTWARE\\Uninstall\\Brand");
    EXPECT_EQ(changes.addedKeys[0].keys, 2u);
    EXPECT_EQ(changes.addedKeys[0].values, 1u);
    EXPECT_EQ(changes.addedKeys[1].path, "SOFTWARE\\Uninstall\\VQRMDM\\Child");
    EXPECT_TRUE(changes.removedKeys.empty());
}

TEST(RegistryChanges, TellsARecreatedKeyFromTheOneThatWasRemoved)
{
    win32sim::Registry registry = RegistryFrom(kMachine);
    const RegistryRecording before(registry);
    registry.DeleteTree("SOFTWARE\\Uninstall\\Other");
    registry.Create("SOFTWARE\\Uninstall\\Other");

    const RegistryChanges changes = before.Changes();
    ASSERT_EQ(changes.removedKeys.size(), 1u);
    ASSERT_EQ(changes.addedKeys.size(), 1u);
    EXPECT_EQ(changes.addedKeys[0].path, "SOFTWARE\\Uninstall\\Other");
    EXPECT_EQ(changes.addedKeys[0].values, 0u);
}

TEST(RemovalTree, DrawsRemovedKeysUnderTheirSharedParentsWithAlignedCounts)
{
    win32sim::Registry registry = RegistryFrom(kMachine);
    const RegistryRecording before(registry);
    registry.DeleteTree("SYSTEM\\Services\\QalmPort");
    registry.DeleteTree("SOFTWARE\\Uninstall\\VQRMDM");
    registry.Find("HARDWARE\\SERIALCOMM")->DeleteValue("QalmPort1");

    const std::vector<std::string> expected = {
        "HARDWARE\\SERIALCOMM", "  - value \"QalmPort1\" (REG_SZ)",
        "SOFTWARE\\Uninstall",  "  - VQRMDM     1 key, 2 values",
        "SYSTEM\\Services",     "  - QalmPort   4 keys, 3 values",
    };
    EXPECT_EQ(RemovalTreeLines(before.Changes()), expected);
}

TEST(RemovalTree, KeepsBranchesApartWhereTheyFork)
{
    RegistryChanges changes;
    changes.removedKeys = {{"SYSTEM\\CCS\\Enum\\PCI\\VEN_1", 2, 0}, {"SYSTEM\\CCS\\Services\\Q", 1, 1}};
    changes.removedValues = {{"SYSTEM\\CCS", "", REG_DWORD}};
    const std::vector<std::string> expected = {
        "SYSTEM\\CCS", "  - value @ (default) (REG_DWORD)", "  Enum\\PCI", "    - VEN_1   2 keys",
        "  Services",  "    - Q       1 key, 1 value",
    };
    EXPECT_EQ(RemovalTreeLines(changes), expected);
}

}  // namespace
}  // namespace qalm::testing
