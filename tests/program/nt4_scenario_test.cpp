#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "program_test_support.h"

using namespace programtest;

namespace {

const std::string Modem = "VQR VX36TKR-LB Data Fax Modem::VQR Technology, Inc.::VQR";

// NT 4 with the modem installed and the driver service registered.
const char* const Nt4Machine = R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000]
"ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}"
"Driver"="{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\LEGACY_QALMPORT\0000]
"Service"="QalmPort"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\*PNP0501\0000]
"ClassGUID"="{4D36E978-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58]
"ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort]
"Type"=dword:00000001
"Start"=dword:00000002
"ImagePath"="System32\\drivers\\qalmport.sys"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Enum]
"0"="Root\\LEGACY_QALMPORT\\0000"
"Count"=dword:00000001
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1]
"Irq"=dword:0000000b
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1]
"Name"="United States"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\49\Dial]
"Pulse"=dword:00000000
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Security]
"Security"="01 00 14 80"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPortX]
"Type"=dword:00000001
[HKEY_LOCAL_MACHINE\SOFTWARE\VQR\Modem Tools]
"Version"="2.10"
[HKEY_LOCAL_MACHINE\SOFTWARE\VQRX]
"Owner"="someone else"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Unimodem\DeviceSpecific\VQR VX36TKR-LB Data Fax Modem::VQR Technology, Inc.::VQR]
"Init"="AT&F"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Unimodem\DeviceSpecific\Other Modem::Other Inc.::Other]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM]
"DisplayName"="VQR Modem"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OKWAMDM]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp]
[HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM]
"Serial0"="COM1"
"QalmPort1"="COM3"
"QalmPort2"="COM4")";

const Entries ProductKeys = {
    R"(SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM)",
    R"(SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000)",
    Services + "QalmPort",
    Services + R"(QalmPort\Enum)",
    Services + R"(QalmPort\Parameters)",
    Services + R"(QalmPort\Parameters\QalmPort1)",
    Services + R"(QalmPort\Parameters\QalmPort1\Country)",
    Country + "1",
    Country + "49",
    Country + R"(49\Dial)",
    Services + R"(QalmPort\Security)",
    R"(SOFTWARE\VQR)",
    R"(SOFTWARE\VQR\Modem Tools)",
    DeviceSpecific + Modem,
    Uninstall + "VQRMDM",
    R"(HARDWARE\DEVICEMAP\SERIALCOMM > QalmPort1)",
};

struct Nt4 : testing::Test {
    Nt4() : machine(win32sim::FindPlatform("nt40").value())
    {
        AddToRegistry(machine.registry, Nt4Machine);
        machine.services["QalmPort"].running = true;
        machine.services["QalmPortX"].running = true;
        before = Contents(machine.registry);
    }

    win32sim::Machine machine;
    Entries before;
};

TEST_F(Nt4, RemovesExactlyTheProductAndLeavesTheOtherVariantsEntries)
{
    EXPECT_EQ(RunProgram(machine).exitCode, 18);
    EXPECT_EQ(Removed(before, machine.registry), ProductKeys);
    EXPECT_TRUE(machine.services["QalmPortX"].running);
    EXPECT_EQ(machine.OpenHandleCount(), 0u) << machine.journal.ToString();
}

TEST_F(Nt4, StopsTheServiceBeforeTheRegistrySequence)
{
    RunProgram(machine);
    EXPECT_EQ(machine.journal.Calls()[1], "OpenSCManagerA");
    EXPECT_EQ(Succeeded(machine.journal, "ControlService"), Targets{"QalmPort"});
    EXPECT_EQ(Succeeded(machine.journal, "DeleteService"), Targets{"QalmPort"});
    // The manager took the service's keys once its last handle was closed.
    EXPECT_TRUE(machine.services["QalmPort"].keysRemoved);
    EXPECT_EQ(Succeeded(machine.journal, "SetupDiCallClassInstaller"), Targets{R"(Root\UNIMODEM\0000)"});
}

// Without a registered service the registry sequence deletes the service's keys itself.
TEST_F(Nt4, DeletesTheServiceKeysInOrderWhenTheManagerDoesNotKnowTheService)
{
    machine.registry.Find(Services + "QalmPort")->DeleteValue("Type");
    before = Contents(machine.registry);
    RunProgram(machine);

    EXPECT_EQ(machine.journal.Find("OpenServiceA")[0].result, ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(Removed(before, machine.registry), ProductKeys);
    EXPECT_EQ(
        Succeeded(machine.journal, "RegDeleteKeyA"),
        (Targets{Country + "1", Country + R"(49\Dial)", Country + "49", R"(SOFTWARE\VQR\Modem Tools)",
                 R"(SOFTWARE\VQR)", DeviceSpecific + Modem, Uninstall + "VQRMDM", Services + R"(QalmPort\Enum)",
                 Services + R"(QalmPort\Parameters\QalmPort1\Country)", Services + R"(QalmPort\Parameters\QalmPort1)",
                 Services + R"(QalmPort\Parameters)", Services + R"(QalmPort\Security)", Services + "QalmPort"}));
    EXPECT_EQ(Succeeded(machine.journal, "RegDeleteValueA"), Targets{R"(HARDWARE\DEVICEMAP\SERIALCOMM)"});
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

TEST_F(Nt4, ASecondRunChangesNothing)
{
    RunProgram(machine);
    const std::string cleaned = machine.registry.Dump();
    machine.journal.Clear();

    EXPECT_EQ(RunProgram(machine).exitCode, 18);
    EXPECT_EQ(machine.registry.Dump(), cleaned);
    EXPECT_TRUE(Succeeded(machine.journal, "SetupDiCallClassInstaller").empty());
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

}  // namespace
