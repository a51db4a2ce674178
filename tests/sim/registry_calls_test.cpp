#include <gtest/gtest.h>

#include <cstring>

#include "sim_test_support.h"

using namespace win32sim;
using simtest::ActiveMachine;
using simtest::AddKeys;
using simtest::KeyExists;
using simtest::Open;

namespace {

LONG EnumAt(HKEY key, DWORD index, char (&name)[256], DWORD& length)
{
    length = sizeof(name);
    return RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(RegistryOpen, FollowsMultiLevelPathsWhateverTheCaseWithATrailingBackslash)
{
    ActiveMachine on("winxp");
    AddKeys(on.machine.registry, {"SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Parameters\\QalmPort1\\Country"});
    HKEY key = Open("system\\currentcontrolset\\SERVICES\\QalmPort\\Parameters\\QalmPort1\\Country\\", KEY_ALL_ACCESS);
    ASSERT_NE(key, nullptr);
    HKEY child = nullptr;
    HKEY services = Open("SYSTEM\\CurrentControlSet\\Services", KEY_ALL_ACCESS);
    EXPECT_EQ(RegOpenKeyExA(services, "QalmPort\\Parameters", 0, KEY_QUERY_VALUE, &child), ERROR_SUCCESS);
    EXPECT_EQ(on.machine.journal.Entries().back().target, "SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Parameters");
    EXPECT_EQ(on.machine.OpenHandleCount(), 3u);
    for (HKEY open : {key, child, services})
        EXPECT_EQ(RegCloseKey(open), ERROR_SUCCESS);
    EXPECT_EQ(on.machine.OpenHandleCount(), 0u);
}

TEST(RegistryOpen, AnAbsentKeyAnswersFileNotFoundAndNullsTheHandle)
{
    ActiveMachine on("winxp");
    AddKeys(on.machine.registry, {"SOFTWARE"});
    HKEY key = reinterpret_cast<HKEY>(0x1234);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR", 0, KEY_ALL_ACCESS, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\\\", 0, KEY_ALL_ACCESS, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(on.machine.OpenHandleCount(), 0u);
}

TEST(RegistryOpen, AHandleNeverHandedOutIsInvalid)
{
    ActiveMachine on("winxp");
    HKEY key = nullptr;
    HKEY bogus = reinterpret_cast<HKEY>(0x7777);
    EXPECT_EQ(RegOpenKeyExA(bogus, "X", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    char name[256];
    DWORD length = 0;
    EXPECT_EQ(EnumAt(bogus, 0, name, length), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKeyA(bogus, "X"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
}

TEST(RegistryEnum, NamesSubkeysInSortedOrderThenNoMoreItems)
{
    ActiveMachine on("winxp");
    AddKeys(on.machine.registry, {"Enum\\PCI\\ven_2", "Enum\\PCI\\VEN_1", "Enum\\PCI\\Ven_3"});
    HKEY key = Open("Enum\\PCI", KEY_ENUMERATE_SUB_KEYS);
    char name[256];
    DWORD length = 0;
    std::vector<std::string> names;
    for (DWORD i = 0; EnumAt(key, i, name, length) == ERROR_SUCCESS; ++i) {
        EXPECT_EQ(length, std::strlen(name));
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"VEN_1", "ven_2", "Ven_3"}));
    EXPECT_EQ(EnumAt(key, 3, name, length), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(EnumAt(key, 1000, name, length), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST(RegistryEnum, ANameThatDoesNotFitAnswersMoreDataAndLeavesTheLength)
{
    ActiveMachine on("winxp");
    AddKeys(on.machine.registry, {"K\\ABCD"});
    HKEY key = Open("K", KEY_ENUMERATE_SUB_KEYS);
    char name[8] = "unset";
    DWORD length = 4;  // room for three characters and the terminator
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(length, 4u);
    EXPECT_STREQ(name, "unset");
    length = 5;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, 4u);
    EXPECT_STREQ(name, "ABCD");
    RegCloseKey(key);
}

TEST(RegistryEnum, AcceptsAKeyNameOfTheFullLengthIntoA256CharacterBuffer)
{
    ActiveMachine on("winxp");
    std::string longest(MaxKeyNameLength, 'n');
    on.machine.registry.Create("K\\" + longest);
    HKEY key = Open("K", KEY_ENUMERATE_SUB_KEYS);
    char name[256];
    DWORD length = 0;
    EXPECT_EQ(EnumAt(key, 0, name, length), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), longest);
    RegCloseKey(key);
}

TEST(RegistryQuery, AnswersMoreDataWithTheNeededSizeAndFileNotFoundForAnAbsentValue)
{
    ActiveMachine on("winxp");
    on.machine.registry.SetString("HARDWARE\\DEVICEMAP\\SERIALCOMM", "QalmPort1", "COM3");
    HKEY key = Open("HARDWARE\\DEVICEMAP\\SERIALCOMM", KEY_QUERY_VALUE);
    BYTE data[4] = {};
    DWORD size = sizeof(data);
    EXPECT_EQ(RegQueryValueExA(key, "qalmport1", nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    BYTE fits[260] = {};
    DWORD type = 0;
    size = sizeof(fits);
    EXPECT_EQ(RegQueryValueExA(key, "QalmPort1", nullptr, &type, fits, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(reinterpret_cast<char*>(fits), "COM3");
    size = sizeof(fits);
    EXPECT_EQ(RegQueryValueExA(key, "QalmPort2", nullptr, nullptr, fits, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, fits, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST(RegistryDeleteValue, RemovesOneValueAndAnswersFileNotFoundWhenAbsent)
{
    ActiveMachine on("winxp");
    on.machine.registry.SetString("K", "A", "1");
    on.machine.registry.SetString("K", "B", "2");
    HKEY key = Open("K", KEY_ALL_ACCESS);
    EXPECT_EQ(RegDeleteValueA(key, "a"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "A"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(on.machine.registry.Find("K")->Values().size(), 1u);
    RegCloseKey(key);
}

// The rights a handle needs for each call, under both families.
struct AccessCase {
    const char* profile;
    bool checked;
};

// Test names and failure messages show the profile, not the bytes.
void PrintTo(const AccessCase& value, std::ostream* out) { *out << value.profile; }

class RegistryAccess : public testing::TestWithParam<AccessCase> {};

TEST_P(RegistryAccess, EachCallNeedsItsRightOnNtAndAnyHandleDoesOn9x)
{
    ActiveMachine on(GetParam().profile);
    AddKeys(on.machine.registry, {"K\\Child"});
    on.machine.registry.SetString("K", "V", "x");
    LONG denied = GetParam().checked ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    char name[256];
    DWORD length = 0;
    BYTE data[16];
    DWORD size = sizeof(data);

    HKEY queryOnly = Open("K", KEY_QUERY_VALUE);
    EXPECT_EQ(EnumAt(queryOnly, 0, name, length), denied);
    EXPECT_EQ(RegDeleteValueA(queryOnly, "V"), denied);
    on.machine.registry.SetString("K", "V", "x");

    HKEY enumerateOnly = Open("K", KEY_ENUMERATE_SUB_KEYS);
    EXPECT_EQ(RegQueryValueExA(enumerateOnly, "V", nullptr, nullptr, data, &size), denied);
    EXPECT_EQ(EnumAt(enumerateOnly, 0, name, length), ERROR_SUCCESS);

    // Deleting a subkey asks the subkey for DELETE, not the parent handle for anything.
    EXPECT_EQ(RegDeleteKeyA(enumerateOnly, "Child"), ERROR_SUCCESS);
    RegCloseKey(queryOnly);
    RegCloseKey(enumerateOnly);
}

INSTANTIATE_TEST_SUITE_P(Families, RegistryAccess,
                         testing::Values(AccessCase{"winxp", true}, AccessCase{"nt40", true},
                                         AccessCase{"win95", false}, AccessCase{"winme", false}),
                         [](const auto& info) { return std::string(info.param.profile); });

TEST(RegistryDelete, NtRefusesAKeyWithSubkeysAndKeepsIt)
{
    ActiveMachine on("win2k");
    AddKeys(on.machine.registry, {"SOFTWARE\\VQR\\Modem\\Settings"});
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists(on.machine, "SOFTWARE\\VQR\\Modem\\Settings"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR\\Modem\\Settings"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR\\Modem"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(KeyExists(on.machine, "SOFTWARE"));
}

TEST(RegistryDelete, NineXRemovesTheWholeSubtreeInOneCall)
{
    ActiveMachine on("win98");
    AddKeys(on.machine.registry,
            {"Enum\\VQRWDM\\DEV\\0000", "Enum\\VQRWDM\\DEV\\0001", "Enum\\VQRWDM\\Other", "Enum\\PCI"});
    HKEY enumKey = Open("Enum", KEY_ALL_ACCESS);
    EXPECT_EQ(RegDeleteKeyA(enumKey, "VQRWDM"), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(on.machine, "Enum\\VQRWDM"));
    EXPECT_TRUE(KeyExists(on.machine, "Enum\\PCI"));
    RegCloseKey(enumKey);
}

TEST(RegistryDelete, AnEmptyOrNullNameDeletesTheHandlesOwnKey)
{
    for (const char* own : {"", static_cast<const char*>(nullptr)}) {
        ActiveMachine on("winxp");
        AddKeys(on.machine.registry, {"SOFTWARE\\VQR", "SOFTWARE\\Other"});
        HKEY key = Open("SOFTWARE\\VQR", KEY_ALL_ACCESS);
        EXPECT_EQ(RegDeleteKeyA(key, own), ERROR_SUCCESS);
        EXPECT_FALSE(KeyExists(on.machine, "SOFTWARE\\VQR"));
        EXPECT_TRUE(KeyExists(on.machine, "SOFTWARE\\Other"));
        EXPECT_EQ(on.machine.journal.Targets("RegDeleteKeyA"), std::vector<std::string>{"SOFTWARE\\VQR"});
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
}

TEST(RegistryDelete, NeverDeletesHkeyLocalMachineItself)
{
    ActiveMachine on("win95");
    AddKeys(on.machine.registry, {"SOFTWARE"});
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists(on.machine, "SOFTWARE"));
}

TEST(RegistryStaleHandles, AHandleToADeletedKeyAnswersKeyDeletedUntilClosed)
{
    ActiveMachine on("winxp");
    AddKeys(on.machine.registry, {"A\\B\\C"});
    on.machine.registry.SetString("A\\B", "V", "x");
    HKEY parent = Open("A", KEY_ALL_ACCESS);
    HKEY stale = Open("A\\B", KEY_ALL_ACCESS);
    HKEY child = Open("A\\B\\C", KEY_ALL_ACCESS);
    // Bottom-up, as a tree deletion does it: the child through its own handle, then B through its parent.
    EXPECT_EQ(RegDeleteKeyA(child, ""), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(parent, "B"), ERROR_SUCCESS);
    // A key of the same name made afterwards is another key.
    on.machine.registry.Create("A\\B\\C");

    HKEY reopened = nullptr;
    char name[256];
    DWORD length = 0;
    BYTE data[8];
    DWORD size = sizeof(data);
    EXPECT_EQ(RegOpenKeyExA(stale, "C", 0, KEY_READ, &reopened), ERROR_KEY_DELETED);
    EXPECT_EQ(EnumAt(stale, 0, name, length), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExA(stale, "V", nullptr, nullptr, data, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteValueA(stale, "V"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyA(stale, ""), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyA(child, ""), ERROR_KEY_DELETED);
    EXPECT_TRUE(KeyExists(on.machine, "A\\B\\C"));
    for (HKEY key : {parent, stale, child})
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(stale), ERROR_INVALID_HANDLE);
    EXPECT_EQ(on.machine.OpenHandleCount(), 0u);
}

TEST(RegistryFaults, RefusedRightsFailTheOpenOnNtOnly)
{
    for (const char* profile : {"winxp", "win98"}) {
        ActiveMachine on(profile);
        AddKeys(on.machine.registry, {"SOFTWARE\\VQR"});
        on.machine.registry.Find("SOFTWARE\\VQR")->refusedAccess = DELETE;
        HKEY key = Open("SOFTWARE\\VQR", KEY_ALL_ACCESS);
        bool nt = std::string(profile) == "winxp";
        EXPECT_EQ(key == nullptr, nt) << profile;
        EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR"), nt ? ERROR_ACCESS_DENIED : ERROR_SUCCESS);
        EXPECT_EQ(KeyExists(on.machine, "SOFTWARE\\VQR"), nt) << profile;
        // Rights not refused are still granted.
        if (nt) {
            HKEY readable = Open("SOFTWARE\\VQR", KEY_READ);
            EXPECT_NE(readable, nullptr);
            RegCloseKey(readable);
        }
    }
}

TEST(RegistryFaults, AKeyThatRefusesDeletionStaysOnBothFamilies)
{
    ActiveMachine nt("winxp");
    AddKeys(nt.machine.registry, {"SOFTWARE\\VQR"});
    nt.machine.registry.Find("SOFTWARE\\VQR")->refusesDeletion = true;
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists(nt.machine, "SOFTWARE\\VQR"));
}

TEST(RegistryFaults, A9xTreeWithOneStubbornKeyIsLeftWhole)
{
    ActiveMachine on("win95");
    AddKeys(on.machine.registry, {"Enum\\VQRWDM\\A\\0000", "Enum\\VQRWDM\\B\\0000"});
    on.machine.registry.Find("Enum\\VQRWDM\\B\\0000")->refusesDeletion = true;
    std::string before = on.machine.registry.Dump();
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\VQRWDM"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(on.machine.registry.Dump(), before);
}

TEST(RegistryHandles, HklmNeedsNoClosingAndStaysUsable)
{
    ActiveMachine on("winxp");
    AddKeys(on.machine.registry, {"SOFTWARE"});
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    char name[256];
    DWORD length = 0;
    EXPECT_EQ(EnumAt(HKEY_LOCAL_MACHINE, 0, name, length), ERROR_SUCCESS);
    EXPECT_STREQ(name, "SOFTWARE");
    EXPECT_EQ(on.machine.OpenHandleCount(), 0u);
}

TEST(RegistryHandles, HklmFollowsARegistryReplacedWhole)
{
    ActiveMachine on("winxp");
    Registry loaded;
    loaded.Create("SOFTWARE\\VQR");
    on.machine.registry = std::move(loaded);
    HKEY key = Open("SOFTWARE\\VQR", KEY_ALL_ACCESS);
    EXPECT_NE(key, nullptr);
    RegCloseKey(key);
}
