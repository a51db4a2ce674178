#include <gtest/gtest.h>

#include <setupapi.h>

#include "sim_test_support.h"

using namespace win32sim;
using simtest::ActiveMachine;
using simtest::AddKeys;
using simtest::KeyExists;

namespace {

const char* const PciKey = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
const char* const Device = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_5A3E&DEV_3C10&SUBSYS_00000000&REV_01";
const char* const InstanceId = "PCI\\VEN_5A3E&DEV_3C10&SUBSYS_00000000&REV_01\\3&61aaa01&0&48";

void InstallDevice(Machine& machine)
{
    AddKeys(machine.registry, {"SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_5A3E&DEV_3C10&SUBSYS_00000000&REV_01\\"
                               "3&61aaa01&0&48\\Device Parameters",
                               "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_8086&DEV_7190\\0"});
}

SP_DEVINFO_DATA Record()
{
    SP_DEVINFO_DATA record = {};
    record.cbSize = sizeof(record);
    return record;
}

}  // namespace

TEST(DeviceInstaller, RemoveTakesTheInstanceAndTheDeviceKeyLeftEmpty)
{
    ActiveMachine on("winxp");
    InstallDevice(on.machine);
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, GetFocus());
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA record = Record();
    ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, InstanceId, nullptr, 0, &record));
    EXPECT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, set, &record));
    EXPECT_FALSE(KeyExists(on.machine, Device));
    EXPECT_TRUE(KeyExists(on.machine, "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_8086&DEV_7190\\0"));
    EXPECT_EQ(on.machine.RemovedDeviceIds(), std::vector<std::string>{InstanceId});
    EXPECT_EQ(on.machine.journal.Targets("SetupDiCallClassInstaller"), std::vector<std::string>{InstanceId});
    // Asked again, the instance is gone.
    EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, set, &record));
    EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_DEVINST);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(on.machine.OpenHandleCount(), 0u);
}

TEST(DeviceInstaller, RemoveKeepsTheDeviceKeyWhileAnotherInstanceIsLeft)
{
    ActiveMachine on("win2k");
    InstallDevice(on.machine);
    AddKeys(on.machine.registry, {std::string(Device) + "\\4&1234&0&50"});
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA record = Record();
    ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, "pci\\ven_5a3e&dev_3c10&subsys_00000000&rev_01\\3&61AAA01&0&48", nullptr, 0,
                                       &record));
    EXPECT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, set, &record));
    EXPECT_EQ(simtest::SubkeyNames(*on.machine.registry.Find(Device)), std::vector<std::string>{"4&1234&0&50"});
    SetupDiDestroyDeviceInfoList(set);
}

TEST(DeviceInstaller, OpenWantsTheRecordSizeOfThePlatform)
{
    ActiveMachine on("winxp");
    InstallDevice(on.machine);
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA record = Record();
    record.cbSize = sizeof(record) - 1;
    EXPECT_FALSE(SetupDiOpenDeviceInfoA(set, InstanceId, nullptr, 0, &record));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    SetupDiDestroyDeviceInfoList(set);
}

TEST(DeviceInstaller, OpenFindsOnlyWholeInstanceIdsUnderEnum)
{
    ActiveMachine on("winxp");
    InstallDevice(on.machine);
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    for (const char* id : {"PCI\\VEN_5A3E&DEV_3C10&SUBSYS_00000000&REV_01",  // a device key, not an instance
                           "PCI\\VEN_5A3E&DEV_3C10&SUBSYS_00000000&REV_01\\missing", "PCI",
                           "PCI\\VEN_5A3E&DEV_3C10&SUBSYS_00000000&REV_01\\3&61aaa01&0&48\\Device Parameters"}) {
        SP_DEVINFO_DATA record = Record();
        EXPECT_FALSE(SetupDiOpenDeviceInfoA(set, id, nullptr, 0, &record)) << id;
        EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_DEVINST) << id;
    }
    SetupDiDestroyDeviceInfoList(set);
    EXPECT_TRUE(KeyExists(on.machine, Device));
}

TEST(DeviceInstaller, OpenRefusesIdsOf200CharactersOrMore)
{
    ActiveMachine on("winxp");
    // "PCI\" + device + "\" + instance, 199 and 200 characters long.
    std::string device(150, 'D');
    std::string fits = "PCI\\" + device + "\\" + std::string(199 - 155, 'i');
    std::string tooLong = fits + "j";
    ASSERT_EQ(fits.size(), 199u);
    AddKeys(on.machine.registry,
            {"SYSTEM\\CurrentControlSet\\Enum\\" + fits, "SYSTEM\\CurrentControlSet\\Enum\\" + tooLong});
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA record = Record();
    EXPECT_TRUE(SetupDiOpenDeviceInfoA(set, fits.c_str(), nullptr, 0, &record));
    EXPECT_FALSE(SetupDiOpenDeviceInfoA(set, tooLong.c_str(), nullptr, 0, &record));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetupDiDestroyDeviceInfoList(set);
}

TEST(DeviceInstaller, AnInstanceThatRefusesDeletionStaysWhole)
{
    ActiveMachine on("winxp");
    InstallDevice(on.machine);
    on.machine.registry.Find(std::string(Device) + "\\3&61aaa01&0&48\\Device Parameters")->refusesDeletion = true;
    std::string before = on.machine.registry.Dump();
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA record = Record();
    ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, InstanceId, nullptr, 0, &record));
    EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, set, &record));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(on.machine.registry.Dump(), before);
    EXPECT_TRUE(on.machine.removedDevices.empty());
    SetupDiDestroyDeviceInfoList(set);
}

TEST(DeviceInstaller, SetsAreCountedAndInvalidOnesFail)
{
    ActiveMachine on("winxp");
    InstallDevice(on.machine);
    HDEVINFO first = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    HDEVINFO second = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    EXPECT_EQ(on.machine.OpenHandleCount(), 2u);
    SP_DEVINFO_DATA record = Record();
    ASSERT_TRUE(SetupDiOpenDeviceInfoA(first, InstanceId, nullptr, 0, &record));
    // A record belongs to the set it was opened in.
    EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, second, &record));
    EXPECT_TRUE(KeyExists(on.machine, Device));
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(first));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetupDiOpenDeviceInfoA(first, InstanceId, nullptr, 0, &record));
    EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, INVALID_HANDLE_VALUE, &record));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE));
    EXPECT_EQ(on.machine.OpenHandleCount(), 1u);
    SetupDiDestroyDeviceInfoList(second);
}

TEST(DeviceInstaller, APlantedFailureRefusesNewSets)
{
    ActiveMachine on("winxp");
    on.machine.deviceInfoListFails = true;
    EXPECT_EQ(SetupDiCreateDeviceInfoList(nullptr, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(on.machine.OpenHandleCount(), 0u);
}

// A platform without setupapi.dll, and one whose DLL lacks the installer's functions.
TEST(DeviceInstaller, IsFoundThroughTheLoaderUnlessThePlatformLacksIt)
{
    ActiveMachine present("winxp");
    HMODULE library = LoadLibraryA("SETUPAPI.DLL");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetProcAddress(library, "SetupDiCallClassInstaller"),
              reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&SetupDiCallClassInstaller)));
    EXPECT_TRUE(FreeLibrary(library));

    Platform withoutLibrary = simtest::ProfileNamed("win95");
    withoutLibrary.setupApi = SetupApi::Missing;
    Machine missing(withoutLibrary);
    {
        MachineScope scope(missing);
        EXPECT_EQ(LoadLibraryA("setupapi.dll"), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    }

    Platform withoutFunctions = simtest::ProfileNamed("nt40");
    withoutFunctions.setupApi = SetupApi::WithoutDeviceInstaller;
    Machine lacking(withoutFunctions);
    {
        MachineScope scope(lacking);
        library = LoadLibraryA("setupapi.dll");
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(GetProcAddress(library, "SetupDiCreateDeviceInfoList"), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
        EXPECT_TRUE(FreeLibrary(library));
        EXPECT_EQ(lacking.OpenHandleCount(), 0u);
    }
}

// The remove request takes the driver key Control\Class\CLASS\INDEX that the
// instance's "Driver" value names, and nothing else of Control\Class, whatever
// the value holds; a driver key that resists stays, and the instance goes all the same.
TEST(DeviceInstaller, RemoveTakesOnlyTheDriverKeyTheDriverValueNames)
{
    const std::string classes = "SYSTEM\\CurrentControlSet\\Control\\Class";
    const std::string modems = classes + "\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
    const std::string text = "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0004";
    auto asText = [](const std::string& value) {
        std::vector<BYTE> bytes(value.begin(), value.end());
        bytes.push_back(0);
        return bytes;
    };
    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        bool refuses = false;
        bool driverKeyGoes = false;
    };
    const Case cases[] = {
        {"class\\index", REG_SZ, asText(text), false, true},
        {"unterminated, lower case", REG_EXPAND_SZ,
         std::vector<BYTE>{'{', '4', 'd', '3', '6', 'e', '9', '6', 'd',  '-', 'e', '3', '2', '5', '-',
                           '1', '1', 'c', 'e', '-', 'b', 'f', 'c', '1',  '-', '0', '8', '0', '0', '2',
                           'b', 'e', '1', '0', '3', '1', '8', '}', '\\', '0', '0', '0', '4'},
         false, true},
        {"resisting", REG_SZ, asText(text), true, false},
        {"not text", REG_BINARY, std::vector<BYTE>(text.begin(), text.end()), false, false},
        {"a number", REG_DWORD, {4, 0, 0, 0}, false, false},
        {"empty", REG_SZ, asText(""), false, false},
        {"the class key", REG_SZ, asText("{4D36E96D-E325-11CE-BFC1-08002BE10318}"), false, false},
        {"the class key, trailing backslash", REG_SZ, asText("{4D36E96D-E325-11CE-BFC1-08002BE10318}\\"), false, false},
        {"trailing backslash", REG_SZ, asText(text + "\\"), false, false},
        {"empty class", REG_SZ, asText("\\0004"), false, false},
        {"doubled backslash", REG_SZ, asText("{4D36E96D-E325-11CE-BFC1-08002BE10318}\\\\0004"), false, false},
        {"below the index", REG_SZ, asText(text + "\\Init"), false, false},
        {"a way up to Control\\Class", REG_SZ, asText("..\\Class"), false, false},
        {"a lone backslash", REG_SZ, asText("\\"), false, false},
    };
    for (const Case& c : cases) {
        ActiveMachine on("winxp");
        InstallDevice(on.machine);
        AddKeys(on.machine.registry, {modems + "\\0004\\Init", modems + "\\0005"});
        on.machine.registry.SetString(modems, "Class", "Modem");
        on.machine.registry.SetValue(std::string(Device) + "\\3&61aaa01&0&48", "Driver", c.type, c.data);
        on.machine.registry.Find(modems + "\\0004\\Init")->refusesDeletion = c.refuses;
        Registry before = on.machine.registry.Clone();

        HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
        SP_DEVINFO_DATA record = Record();
        ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, InstanceId, nullptr, 0, &record)) << c.what;
        EXPECT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, set, &record)) << c.what;
        SetupDiDestroyDeviceInfoList(set);

        EXPECT_FALSE(KeyExists(on.machine, Device)) << c.what;
        if (c.driverKeyGoes)
            before.DeleteTree(modems + "\\0004");
        before.DeleteTree(Device);
        EXPECT_EQ(on.machine.registry.Dump(), before.Dump()) << c.what;
    }
}
