#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "program_test_support.h"

using namespace programtest;

namespace {

// XP with a modem of each of the three ids; the keys of the NT 4 installation
// (vendor key, device-specific key, serial-port entry) are not this sequence's.
const char* const XpMachine = R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58]
"ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02\3&13c0b0c5&0&60\Device Parameters]
"PortName"="COM3"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\3&13c0b0c5&0&68]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_8086&DEV_24C5&SUBSYS_01011028&REV_01\3&13c0b0c5&0&FD]
"ClassGUID"="{4D36E96C-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort]
"Type"=dword:00000001
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Enum]
"0"="PCI\\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\\3&13c0b0c5&0&58"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\81]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Security]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPortX\Parameters]
[HKEY_LOCAL_MACHINE\SOFTWARE\VQR\Modem Tools]
[HKEY_LOCAL_MACHINE\SOFTWARE\VQRX]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Unimodem\DeviceSpecific\VQR VX36TKR-LB Data Fax Modem::VQR Technology, Inc.::VQR]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM]
"DisplayName"="VQR Modem"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OKWAMDM]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp]
[HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM]
"QalmPort1"="COM3")";

const Entries ProductKeys = {
    Pci + "VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01",
    Pci + R"(VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58)",
    Pci + "VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02",
    Pci + R"(VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02\3&13c0b0c5&0&60)",
    Pci + R"(VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02\3&13c0b0c5&0&60\Device Parameters)",
    Pci + "VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01",
    Pci + R"(VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\3&13c0b0c5&0&68)",
    Services + "QalmPort",
    Services + R"(QalmPort\Enum)",
    Services + R"(QalmPort\Parameters)",
    Services + R"(QalmPort\Parameters\QalmPort1)",
    Services + R"(QalmPort\Parameters\QalmPort1\Country)",
    Country + "1",
    Country + "81",
    Services + R"(QalmPort\Security)",
    Uninstall + "VQRMDM",
    Uninstall + "HZUMDM",
    Uninstall + "OKWAMDM",
};

struct Xp : testing::Test {
    Xp() : machine(win32sim::FindPlatform("winxp").value()) { AddToRegistry(machine.registry, XpMachine); }

    win32sim::Machine machine;
};

TEST_F(Xp, RemovesExactlyTheProductsDevicesAndKeys)
{
    const Entries before = Contents(machine.registry);
    EXPECT_EQ(RunProgram(machine).exitCode, 18);
    EXPECT_EQ(Removed(before, machine.registry), ProductKeys);
    EXPECT_EQ(machine.OpenHandleCount(), 0u) << machine.journal.ToString();
}

TEST_F(Xp, HandsOverTheDevicesThenDeletesCountriesUninstallEntriesAndServiceKeys)
{
    RunProgram(machine);
    EXPECT_EQ(machine.RemovedDeviceIds(), (Targets{R"(PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58)",
                                                   R"(PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02\3&13c0b0c5&0&60)",
                                                   R"(PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\3&13c0b0c5&0&68)"}));
    EXPECT_EQ(Succeeded(machine.journal, "RegDeleteKeyA"),
              (Targets{Country + "1", Country + "81", Uninstall + "VQRMDM", Uninstall + "HZUMDM", Uninstall + "OKWAMDM",
                       Services + R"(QalmPort\Enum)", Services + R"(QalmPort\Parameters\QalmPort1\Country)",
                       Services + R"(QalmPort\Parameters\QalmPort1)", Services + R"(QalmPort\Parameters)",
                       Services + R"(QalmPort\Security)", Services + "QalmPort"}));
    EXPECT_EQ(CountCalls(machine.journal, "OpenSCManagerA"), 0u);
}

TEST_F(Xp, ASecondRunChangesNothing)
{
    RunProgram(machine);
    const std::string cleaned = machine.registry.Dump();
    machine.journal.Clear();

    EXPECT_EQ(RunProgram(machine).exitCode, 18);
    EXPECT_EQ(machine.registry.Dump(), cleaned);
    EXPECT_EQ(CountCalls(machine.journal, "SetupDiCreateDeviceInfoList"), 0u);
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

TEST(Nt5Removal, DeletesTheKeysWithoutAnyDeviceInstalled)
{
    win32sim::Machine machine(win32sim::FindPlatform("win2k").value());
    AddToRegistry(machine.registry, R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_8086&DEV_7190\3&1]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Security]
        [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM]
        [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp])");
    RunProgram(machine);
    EXPECT_EQ(CountCalls(machine.journal, "SetupDiCreateDeviceInfoList"), 0u);
    EXPECT_EQ(Succeeded(machine.journal, "RegDeleteKeyA"),
              (Targets{Uninstall + "HZUMDM", Services + R"(QalmPort\Security)", Services + "QalmPort"}));
    EXPECT_NE(machine.registry.Find(Uninstall + "OtherApp"), nullptr);
}

}  // namespace
