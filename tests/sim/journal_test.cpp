#include <gtest/gtest.h>

#include <setupapi.h>

#include "sim_test_support.h"

using namespace win32sim;
using simtest::ActiveMachine;
using simtest::AddKeys;

TEST(Journal, RecordsRegistryCallsWithNamedHandlesAndTheirTargets)
{
    ActiveMachine on("winxp");
    AddKeys(on.machine.registry, {"SOFTWARE\\VQR\\Sub"});
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR\\", 0, KEY_ALL_ACCESS, &key);
    char name[256];
    DWORD length = sizeof(name);
    RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    RegDeleteKeyA(key, "Sub");
    length = sizeof(name);
    RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VQR");
    RegCloseKey(key);
    EXPECT_EQ(on.machine.journal.ToString(),
              "RegOpenKeyExA(HKLM, \"SOFTWARE\\VQR\\\", 0, 0xf003f) = 0 -> h1 [SOFTWARE\\VQR]\n"
              "RegEnumKeyExA(h1, 0, 256) = 0 -> \"Sub\" [SOFTWARE\\VQR]\n"
              "RegDeleteKeyA(h1, \"Sub\") = 0 [SOFTWARE\\VQR\\Sub]\n"
              "RegEnumKeyExA(h1, 0, 256) = 259 [SOFTWARE\\VQR]\n"
              "RegDeleteKeyA(HKLM, \"SOFTWARE\\VQR\") = 0 [SOFTWARE\\VQR]\n"
              "RegCloseKey(h1) = 0 [SOFTWARE\\VQR]\n");
    EXPECT_EQ(on.machine.journal.Targets("RegDeleteKeyA"),
              (std::vector<std::string>{"SOFTWARE\\VQR\\Sub", "SOFTWARE\\VQR"}));
}

TEST(Journal, RecordsServiceAndInstallerCallsWithTheErrorTheyReported)
{
    ActiveMachine on("nt40");
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    OpenServiceA(manager, "QalmPort", SERVICE_STOP | DELETE);
    CloseServiceHandle(manager);
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, GetFocus());
    SP_DEVINFO_DATA record = {};
    record.cbSize = sizeof(record);
    SetupDiOpenDeviceInfoA(set, "Root\\UNIMODEM\\0000", nullptr, 0, &record);
    SetupDiDestroyDeviceInfoList(set);
    std::string recordSize = std::to_string(sizeof(SP_DEVINFO_DATA));
    EXPECT_EQ(on.machine.journal.ToString(),
              "OpenSCManagerA(NULL, NULL, 0xf003f) = 0 -> sc1\n"
              "OpenServiceA(sc1, \"QalmPort\", 0x10020) = 1060 [QalmPort]\n"
              "CloseServiceHandle(sc1) = 0\n"
              "GetFocus() = 0 -> NULL\n"
              "SetupDiCreateDeviceInfoList(NULL, NULL) = 0 -> set1\n"
              "SetupDiOpenDeviceInfoA(set1, \"Root\\UNIMODEM\\0000\", NULL, 0x0, " +
                  recordSize +
                  ") = 3758096907 [Root\\UNIMODEM\\0000]\n"
                  "SetupDiDestroyDeviceInfoList(set1) = 0\n");
}

TEST(Journal, NumbersHandlesPerMachineInTheOrderTheyWereHandedOut)
{
    ActiveMachine on("winxp");
    AddKeys(on.machine.registry, {"A", "B"});
    HKEY a = simtest::Open("A", KEY_READ);
    HKEY b = simtest::Open("B", KEY_READ);
    RegCloseKey(a);
    HKEY again = simtest::Open("A", KEY_READ);
    EXPECT_EQ(on.machine.journal.Entries().back().output, "h3");
    EXPECT_NE(again, a);
    RegCloseKey(b);
    RegCloseKey(again);
    EXPECT_EQ(on.machine.journal.Find("RegCloseKey").size(), 3u);
}
