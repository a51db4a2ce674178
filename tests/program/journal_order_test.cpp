#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <string>

#include "program_test_support.h"
#include "sequences/sequences.h"

using namespace programtest;

namespace {

// The device record's size as this build's platform defines it (28 on 32-bit Windows).
std::string WithRecordSize(std::string journal)
{
    const std::string mark = "{record}";
    for (size_t at = journal.find(mark); at != std::string::npos; at = journal.find(mark))
        journal.replace(at, mark.size(), std::to_string(sizeof(SP_DEVINFO_DATA)));
    return journal;
}

TEST(JournalOrder, Nt5RunMakesTheCallsInOrderWithTheirMasksAndSizes)
{
    win32sim::Machine machine(win32sim::FindPlatform("winxp").value());
    AddToRegistry(machine.registry, R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1\3&1]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1]
        [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM])");
    RunProgram(machine);
    EXPECT_EQ(machine.journal.ToString(), WithRecordSize(R"(GetVersionExA(148) = 0 -> 2.5.1
GetModuleHandleA("kernel32.dll") = 0 -> kernel32.dll
GetProcAddress(kernel32.dll, "IsWow64Process") = 0
GetCurrentProcess() = 0 -> GetCurrentProcess()
IsWow64Process(GetCurrentProcess()) = 0 -> FALSE
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Enum\PCI", 0, 0x8) = 0 -> h1 [SYSTEM\CurrentControlSet\Enum\PCI]
RegEnumKeyExA(h1, 0, 256) = 0 -> "VEN_5A3E&DEV_3C10&SUBSYS_1" [SYSTEM\CurrentControlSet\Enum\PCI]
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1", 0, 0x8) = 0 -> h2 [SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1]
RegEnumKeyExA(h2, 0, 256) = 0 -> "3&1" [SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1]
GetFocus() = 0 -> NULL
LoadLibraryA("setupapi.dll") = 0 -> mod1
GetProcAddress(mod1, "SetupDiCreateDeviceInfoList") = 0
GetProcAddress(mod1, "SetupDiOpenDeviceInfoA") = 0
GetProcAddress(mod1, "SetupDiCallClassInstaller") = 0
GetProcAddress(mod1, "SetupDiDestroyDeviceInfoList") = 0
SetupDiCreateDeviceInfoList(NULL, NULL) = 0 -> set1
SetupDiOpenDeviceInfoA(set1, "PCI\VEN_5A3E&DEV_3C10&SUBSYS_1\3&1", NULL, 0x0, {record}) = 0 [PCI\VEN_5A3E&DEV_3C10&SUBSYS_1\3&1]
SetupDiCallClassInstaller(5, set1, {record}) = 0 [PCI\VEN_5A3E&DEV_3C10&SUBSYS_1\3&1]
SetupDiDestroyDeviceInfoList(set1) = 0
FreeLibrary(mod1) = 0
RegCloseKey(h2) = 0 [SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1]
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1", 0, 0x8) = 2 [SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1]
RegEnumKeyExA(h1, 0, 256) = 259 [SYSTEM\CurrentControlSet\Enum\PCI]
RegCloseKey(h1) = 0 [SYSTEM\CurrentControlSet\Enum\PCI]
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\", 0, 0xf003f) = 0 -> h3 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country]
RegEnumKeyExA(h3, 0, 256) = 0 -> "1" [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country]
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1", 0, 0xf003f) = 0 -> h4 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1]
RegEnumKeyExA(h4, 0, 256) = 259 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1]
RegDeleteKeyA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1") = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1]
RegCloseKey(h4) = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1]
RegEnumKeyExA(h3, 0, 256) = 259 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country]
RegCloseKey(h3) = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country]
RegOpenKeyExA(HKLM, "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM", 0, 0xf003f) = 2 [SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM]
RegOpenKeyExA(HKLM, "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM", 0, 0xf003f) = 0 -> h5 [SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM]
RegEnumKeyExA(h5, 0, 256) = 259 [SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM]
RegDeleteKeyA(HKLM, "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM") = 0 [SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM]
RegCloseKey(h5) = 0 [SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM]
RegOpenKeyExA(HKLM, "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OKWAMDM", 0, 0xf003f) = 2 [SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OKWAMDM]
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort\Enum", 0, 0xf003f) = 2 [SYSTEM\CurrentControlSet\Services\QalmPort\Enum]
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort\Parameters", 0, 0xf003f) = 0 -> h6 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters]
RegEnumKeyExA(h6, 0, 256) = 0 -> "QalmPort1" [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters]
RegOpenKeyExA(h6, "QalmPort1", 0, 0xf003f) = 0 -> h7 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1]
RegEnumKeyExA(h7, 0, 256) = 0 -> "Country" [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1]
RegOpenKeyExA(h7, "Country", 0, 0xf003f) = 0 -> h8 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country]
RegEnumKeyExA(h8, 0, 256) = 259 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country]
RegDeleteKeyA(h7, "Country") = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country]
RegCloseKey(h8) = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country]
RegEnumKeyExA(h7, 0, 256) = 259 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1]
RegDeleteKeyA(h6, "QalmPort1") = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1]
RegCloseKey(h7) = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1]
RegEnumKeyExA(h6, 0, 256) = 259 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters]
RegDeleteKeyA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort\Parameters") = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters]
RegCloseKey(h6) = 0 [SYSTEM\CurrentControlSet\Services\QalmPort\Parameters]
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort\Security", 0, 0xf003f) = 2 [SYSTEM\CurrentControlSet\Services\QalmPort\Security]
RegOpenKeyExA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort", 0, 0xf003f) = 0 -> h9 [SYSTEM\CurrentControlSet\Services\QalmPort]
RegEnumKeyExA(h9, 0, 256) = 259 [SYSTEM\CurrentControlSet\Services\QalmPort]
RegDeleteKeyA(HKLM, "SYSTEM\CurrentControlSet\Services\QalmPort") = 0 [SYSTEM\CurrentControlSet\Services\QalmPort]
RegCloseKey(h9) = 0 [SYSTEM\CurrentControlSet\Services\QalmPort]
)"));
}

TEST(JournalOrder, CleanEnumerator9xMakesTheCallsInOrderWithTheirMasksAndSizes)
{
    ActiveMachine m("win98", R"(
        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\VQR_MODEM\0000]
        "Driver"="Modem\\0001"
        [HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0001]
        [HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_1\BUS_00]
        [HKEY_LOCAL_MACHINE\Enum\PCI\VEN_8086&DEV_7190])");
    CleanEnumerator9x("VQRWDM");
    EXPECT_EQ(m.machine.journal.ToString(), R"(RegOpenKeyExA(HKLM, "Enum\VQRWDM", 0, 0x1) = 0 -> h1 [Enum\VQRWDM]
RegEnumKeyExA(h1, 0, 256) = 0 -> "VQR_MODEM" [Enum\VQRWDM]
RegOpenKeyExA(h1, "VQR_MODEM", 0, 0x1) = 0 -> h2 [Enum\VQRWDM\VQR_MODEM]
RegEnumKeyExA(h2, 0, 256) = 0 -> "0000" [Enum\VQRWDM\VQR_MODEM]
RegOpenKeyExA(h2, "0000", 0, 0x1) = 0 -> h3 [Enum\VQRWDM\VQR_MODEM\0000]
RegQueryValueExA(h3, "Driver", 256) = 0 -> 11 [Enum\VQRWDM\VQR_MODEM\0000]
RegOpenKeyExA(HKLM, "System\CurrentControlSet\Services\Class\Modem", 0, 0xf003f) = 0 -> h4 [System\CurrentControlSet\Services\Class\Modem]
RegDeleteKeyA(h4, "0001") = 0 [System\CurrentControlSet\Services\Class\Modem\0001]
RegCloseKey(h4) = 0 [System\CurrentControlSet\Services\Class\Modem]
RegCloseKey(h3) = 0 [Enum\VQRWDM\VQR_MODEM\0000]
RegCloseKey(h2) = 0 [Enum\VQRWDM\VQR_MODEM]
RegCloseKey(h1) = 0 [Enum\VQRWDM]
RegOpenKeyExA(HKLM, "Enum", 0, 0xf003f) = 0 -> h5 [Enum]
RegDeleteKeyA(h5, "VQRWDM") = 0 [Enum\VQRWDM]
RegCloseKey(h5) = 0 [Enum]
RegOpenKeyExA(HKLM, "System\CurrentControlSet\Services\Class", 0, 0xf003f) = 0 -> h6 [System\CurrentControlSet\Services\Class]
RegDeleteKeyA(h6, "VQRWDM") = 2 [System\CurrentControlSet\Services\Class\VQRWDM]
RegCloseKey(h6) = 0 [System\CurrentControlSet\Services\Class]
RegOpenKeyExA(HKLM, "Enum\PCI", 0, 0xf003f) = 0 -> h7 [Enum\PCI]
RegEnumKeyExA(h7, 0, 256) = 0 -> "VEN_5A3E&DEV_3C4B&SUBSYS_1" [Enum\PCI]
RegDeleteKeyA(h7, "VEN_5A3E&DEV_3C4B&SUBSYS_1") = 0 [Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_1]
RegEnumKeyExA(h7, 0, 256) = 0 -> "VEN_8086&DEV_7190" [Enum\PCI]
RegEnumKeyExA(h7, 1, 256) = 259 [Enum\PCI]
RegCloseKey(h7) = 0 [Enum\PCI]
RegOpenKeyExA(HKLM, "Enum\MF\CHILD0000", 0, 0xf003f) = 2 [Enum\MF\CHILD0000]
)");
}

}  // namespace
