#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "program_test_support.h"

using namespace programtest;

namespace {

// Windows 98 with two of the variants installed: their enumerators, class
// entries and PCI and multifunction keys, beside another modem and devices.
const char* const Win98Machine = R"(
[HKEY_LOCAL_MACHINE\Enum\VQRWDM\VQR_MODEM\0000]
"Driver"="Modem\\0001"
"HardwareID"="VQRWDM\\VQR_MODEM"
[HKEY_LOCAL_MACHINE\Enum\OKWAWDM\OKWA_MODEM\0000]
"Driver"="Modem\\0002"
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\BUS_00&DEV_0B&FUNC_00]
"Driver"="MEDIA\\0003"
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_01\BUS_00&DEV_0C&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\BUS_00&DEV_0D&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_00000000&REV_01\BUS_00&DEV_0E&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_8086&DEV_7190&SUBSYS_00000000&REV_03\BUS_00&DEV_00&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\VEN_5A3E&DEV_3C4B\BUS_00&DEV_0E&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0001\VEN_5A3E&DEV_3C4B\BUS_00&DEV_0E&FUNC_01]
[HKEY_LOCAL_MACHINE\Enum\Root\MODEM\0000]
"Driver"="Modem\\0000"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0000]
"DriverDesc"="Standard Modem"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0001]
"DriverDesc"="VQR Modem"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0002\Init]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\VQRWDM\0000]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\MEDIA\0003]
[HKEY_LOCAL_MACHINE\SOFTWARE\VQR]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OKWAMDM]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp])";

const Entries ProductKeys = {
    R"(Enum\VQRWDM)",
    R"(Enum\VQRWDM\VQR_MODEM)",
    R"(Enum\VQRWDM\VQR_MODEM\0000)",
    R"(Enum\OKWAWDM)",
    R"(Enum\OKWAWDM\OKWA_MODEM)",
    R"(Enum\OKWAWDM\OKWA_MODEM\0000)",
    R"(Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01)",
    R"(Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\BUS_00&DEV_0B&FUNC_00)",
    R"(Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01)",
    R"(Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\BUS_00&DEV_0D&FUNC_00)",
    R"(Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_00000000&REV_01)",
    R"(Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_00000000&REV_01\BUS_00&DEV_0E&FUNC_00)",
    R"(Enum\MF\CHILD0000\VEN_5A3E&DEV_3C4B)",
    R"(Enum\MF\CHILD0000\VEN_5A3E&DEV_3C4B\BUS_00&DEV_0E&FUNC_00)",
    Class + R"(Modem\0001)",
    Class + R"(Modem\0002)",
    Class + R"(Modem\0002\Init)",
    Class + "VQRWDM",
    Class + R"(VQRWDM\0000)",
    Uninstall + "VQRMDM",
    Uninstall + "OKWAMDM",
};

struct Win98 : testing::Test {
    Win98() : machine(win32sim::FindPlatform("win98").value()) { AddToRegistry(machine.registry, Win98Machine); }

    win32sim::Machine machine;
};

TEST_F(Win98, RemovesExactlyTheProductsHardwareTreeAndUninstallEntries)
{
    const Entries before = Contents(machine.registry);
    EXPECT_EQ(RunProgram(machine).exitCode, 18);
    EXPECT_EQ(Removed(before, machine.registry), ProductKeys);
    EXPECT_TRUE(machine.removedDevices.empty());
    EXPECT_EQ(machine.OpenHandleCount(), 0u) << machine.journal.ToString();
}

// Each 9x deletion takes a whole subtree in one call.
TEST_F(Win98, CleansTheEnumeratorsInTurnBeforeTheUninstallEntries)
{
    RunProgram(machine);
    EXPECT_EQ(Succeeded(machine.journal, "RegDeleteKeyA"),
              (Targets{Class + R"(Modem\0001)", R"(Enum\VQRWDM)", Class + "VQRWDM",
                       R"(Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01)",
                       R"(Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01)",
                       R"(Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_00000000&REV_01)", R"(Enum\MF\CHILD0000\VEN_5A3E&DEV_3C4B)",
                       Class + R"(Modem\0002)", R"(Enum\OKWAWDM)", Uninstall + "VQRMDM", Uninstall + "OKWAMDM"}));
    // The enumerators are visited in their order, HZUWDM though it is absent.
    Targets enumeratorOpens;
    for (const std::string& target : machine.journal.Targets("RegOpenKeyExA")) {
        if (target.size() > 8 && target.compare(target.size() - 3, 3, "WDM") == 0 && target.rfind("Enum\\", 0) == 0)
            enumeratorOpens.push_back(target);
    }
    EXPECT_EQ(enumeratorOpens, (Targets{R"(Enum\VQRWDM)", R"(Enum\HZUWDM)", R"(Enum\OKWAWDM)"}));
}

TEST_F(Win98, ASecondRunChangesNothing)
{
    RunProgram(machine);
    const std::string cleaned = machine.registry.Dump();
    machine.journal.Clear();

    EXPECT_EQ(RunProgram(machine).exitCode, 18);
    EXPECT_EQ(machine.registry.Dump(), cleaned);
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

}  // namespace
