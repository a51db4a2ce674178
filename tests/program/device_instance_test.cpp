#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "devices/devices.h"
#include "platform/platform_mode.h"
#include "program_test_support.h"

using programtest::ActiveMachine;
using programtest::CountCalls;

namespace {

const char* const PciModem = R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58]
"ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}")";
const char* const PciModemPath =
    R"(SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58)";
const char* const RootModem = R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000]
"ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}")";
const char* const RootModemPath = R"(SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000)";

// The stand-in's own functions, as the program finds them in setupapi.dll.
const DEVICE_INSTALLER StandInInstaller = {nullptr, SetupDiCreateDeviceInfoList, SetupDiOpenDeviceInfoA,
                                           SetupDiCallClassInstaller, SetupDiDestroyDeviceInfoList};

TEST(RemoveDeviceInstance, Nt4AsksTheClassValueThenHandsTheRootIdToTheInstaller)
{
    ActiveMachine m("nt40", RootModem);
    RemoveDeviceInstance(MODE_NT4, RootModemPath);

    EXPECT_EQ(m.machine.journal.Calls(),
              (std::vector<std::string>{"GetFocus", "LoadLibraryA", "GetProcAddress", "GetProcAddress",
                                        "GetProcAddress", "GetProcAddress", "RegOpenKeyExA", "RegQueryValueExA",
                                        "RegCloseKey", "SetupDiCreateDeviceInfoList", "SetupDiOpenDeviceInfoA",
                                        "SetupDiCallClassInstaller", "SetupDiDestroyDeviceInfoList", "FreeLibrary"}));
    const win32sim::JournalEntry open = m.machine.journal.Find("RegOpenKeyExA")[0];
    EXPECT_EQ(open.arguments[3], "0x1");
    EXPECT_EQ(m.machine.journal.Find("RegQueryValueExA")[0].arguments,
              (std::vector<std::string>{"h1", "\"ClassGUID\"", "260"}));
    EXPECT_EQ(m.machine.journal.Find("SetupDiCallClassInstaller")[0].arguments[0], "5");
    EXPECT_EQ(m.machine.RemovedDeviceIds(), std::vector<std::string>{R"(Root\UNIMODEM\0000)"});
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(RemoveDeviceInstance, Nt4PassesOverAnInstanceWithoutAClassValueWithoutCreatingASet)
{
    ActiveMachine m("nt40", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000]
        "Driver"="{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000")");
    RemoveDeviceInstance(MODE_NT4, RootModemPath);
    EXPECT_EQ(CountCalls(m.machine.journal, "SetupDiCreateDeviceInfoList"), 0u);
    EXPECT_TRUE(m.Exists(RootModemPath));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(RemoveDeviceInstance, Nt5HandsThePciIdOverWithoutLookingAtTheRegistry)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58])");
    RemoveDeviceInstance(MODE_NT5, PciModemPath);
    EXPECT_EQ(CountCalls(m.machine.journal, "RegOpenKeyExA"), 0u);
    EXPECT_EQ(m.machine.RemovedDeviceIds(),
              std::vector<std::string>{R"(PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58)"});
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(OpenDeviceInstance, OpensNothingOnTheOtherModes)
{
    for (int mode : {MODE_NONE, MODE_9X, MODE_UNSUPPORTED}) {
        ActiveMachine m("win98", PciModem);
        SP_DEVINFO_DATA record;
        EXPECT_EQ(OpenDeviceInstance(&StandInInstaller, mode, nullptr, PciModemPath, "ClassGUID", &record),
                  INVALID_HANDLE_VALUE);
        EXPECT_TRUE(m.machine.journal.Entries().empty()) << "mode " << mode;
    }
}

TEST(OpenDeviceInstance, GivesUpWhenNoSetCanBeCreated)
{
    ActiveMachine m("winxp", PciModem);
    m.machine.deviceInfoListFails = true;
    SP_DEVINFO_DATA record;
    EXPECT_EQ(OpenDeviceInstance(&StandInInstaller, MODE_NT5, nullptr, PciModemPath, "ClassGUID", &record),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(m.machine.journal.Calls(), std::vector<std::string>{"SetupDiCreateDeviceInfoList"});
}

struct FailedHandOver {
    const char* name;
    const char* profile;
    int mode;
    const char* machine;
    const char* path;
    bool installerRefuses;
};

void PrintTo(const FailedHandOver& value, std::ostream* out) { *out << value.name; }

class SetLifetime : public testing::TestWithParam<FailedHandOver> {};

// Whatever fails after the set exists, the set is destroyed and the instance stays.
TEST_P(SetLifetime, DestroysTheSetWhenTheInstanceIsNotRemoved)
{
    const FailedHandOver& c = GetParam();
    ActiveMachine m(c.profile, c.machine);
    if (c.installerRefuses)
        m.Key(c.path).refusesDeletion = true;

    RemoveDeviceInstance(c.mode, c.path);
    EXPECT_EQ(CountCalls(m.machine.journal, "SetupDiCreateDeviceInfoList"), 1u);
    EXPECT_EQ(CountCalls(m.machine.journal, "SetupDiDestroyDeviceInfoList"), 1u);
    EXPECT_TRUE(m.machine.removedDevices.empty());
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u) << m.machine.journal.ToString();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SetLifetime,
    testing::Values(
        // The marker is searched with its letter case: "Pci\" is not "PCI\".
        FailedHandOver{"Nt5MarkerInAnotherCase", "winxp", MODE_NT5,
                       R"(
                           [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Pci\VEN_5A3E&DEV_3C10\0])",
                       R"(SYSTEM\CurrentControlSet\Enum\Pci\VEN_5A3E&DEV_3C10\0)", false},
        FailedHandOver{"Nt4WithoutRootMarker", "nt40", MODE_NT4,
                       R"(
                           [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\ROOT\UNIMODEM\0000]
                           "ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}")",
                       R"(SYSTEM\CurrentControlSet\Enum\ROOT\UNIMODEM\0000)", false},
        FailedHandOver{"Nt5InstanceUnknownToTheInstaller", "winxp", MODE_NT5, R"(
            [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI])",
                       PciModemPath, false},
        FailedHandOver{"Nt5InstallerRefusesTheRemoval", "winxp", MODE_NT5, PciModem, PciModemPath, true},
        FailedHandOver{"Nt4InstallerRefusesTheRemoval", "nt40", MODE_NT4, RootModem, RootModemPath, true}),
    [](const testing::TestParamInfo<FailedHandOver>& info) { return std::string(info.param.name); });

}  // namespace
