#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "program_test_support.h"
#include "sequences/sequences.h"

using programtest::ActiveMachine;
using programtest::CountCalls;

namespace {

using Calls = std::vector<std::string>;

const char* const Services = R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort]
"Type"=dword:00000001
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPortX]
"Type"=dword:00000001)";

TEST(StopAndDeleteService, StopsAndMarksTheRunningServiceThenClosesBothHandles)
{
    ActiveMachine m("nt40", Services);
    m.machine.services["QalmPort"].running = true;
    m.machine.services["QalmPortX"].running = true;

    EXPECT_EQ(StopAndDeleteService(), 1);
    EXPECT_EQ(m.machine.journal.ToString(),
              "OpenSCManagerA(NULL, NULL, 0xf003f) = 0 -> sc1\n"
              "OpenServiceA(sc1, \"QalmPort\", 0x10020) = 0 -> svc1 [QalmPort]\n"
              "ControlService(svc1, 1) = 0 [QalmPort]\n"
              "DeleteService(svc1) = 0 [QalmPort]\n"
              "CloseServiceHandle(svc1) = 0 [QalmPort]\n"
              "CloseServiceHandle(sc1) = 0\n");
    EXPECT_FALSE(m.machine.services["QalmPort"].running);
    EXPECT_TRUE(m.machine.services["QalmPort"].markedForDeletion);
    EXPECT_TRUE(m.machine.services["QalmPortX"].running);
    EXPECT_TRUE(m.Exists(R"(SYSTEM\CurrentControlSet\Services\QalmPortX)"));
}

struct ServiceFault {
    const char* name;
    void (*plant)(win32sim::Machine&);
    Calls calls;
};

void PrintTo(const ServiceFault& value, std::ostream* out) { *out << value.name; }

class ServiceFaults : public testing::TestWithParam<ServiceFault> {};

// Every path returns 1 and closes what it opened.
TEST_P(ServiceFaults, Returns1AndClosesEveryHandle)
{
    ActiveMachine m("nt40", Services);
    GetParam().plant(m.machine);
    EXPECT_EQ(StopAndDeleteService(), 1);
    EXPECT_EQ(m.machine.journal.Calls(), GetParam().calls);
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

const Calls FullRun = {"OpenSCManagerA", "OpenServiceA",       "ControlService",
                       "DeleteService",  "CloseServiceHandle", "CloseServiceHandle"};

INSTANTIATE_TEST_SUITE_P(
    Faults, ServiceFaults,
    testing::Values(
        ServiceFault{"ManagerRefused", [](win32sim::Machine& machine) { machine.managerRefusesOpen = true; },
                     Calls{"OpenSCManagerA"}},
        ServiceFault{"NoSuchService",
                     [](win32sim::Machine& machine) {
                         machine.registry.DeleteTree(R"(SYSTEM\CurrentControlSet\Services\QalmPort)");
                     },
                     Calls{"OpenSCManagerA", "OpenServiceA", "CloseServiceHandle"}},
        ServiceFault{"ServiceRefused",
                     [](win32sim::Machine& machine) { machine.services["QalmPort"].refusesOpen = true; },
                     Calls{"OpenSCManagerA", "OpenServiceA", "CloseServiceHandle"}},
        ServiceFault{"AlreadyStopped", [](win32sim::Machine&) {}, FullRun},
        ServiceFault{"StopRefused", [](win32sim::Machine& machine) { machine.services["QalmPort"].refusesStop = true; },
                     FullRun},
        ServiceFault{"DeletionRefused",
                     [](win32sim::Machine& machine) { machine.services["QalmPort"].refusesDeletion = true; }, FullRun}),
    [](const testing::TestParamInfo<ServiceFault>& info) { return std::string(info.param.name); });

TEST(RemoveSerialCommValue, DeletesOnlyThePortsEntry)
{
    ActiveMachine m("nt40", R"(
        [HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM]
        "Serial0"="COM1"
        "QalmPort1"="COM3"
        "QalmPort10"="COM4")");
    RemoveSerialCommValue();
    const win32sim::RegKey& map = m.Key(R"(HARDWARE\DEVICEMAP\SERIALCOMM)");
    EXPECT_EQ(map.FindValue("QalmPort1"), nullptr);
    EXPECT_NE(map.FindValue("Serial0"), nullptr);
    EXPECT_NE(map.FindValue("QalmPort10"), nullptr);
    EXPECT_EQ(m.machine.journal.Find("RegOpenKeyExA")[0].arguments[3], "0xf003f");
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(RemoveSerialCommValue, OpensTheMapAndDeletesNothingWithoutThePortsEntry)
{
    ActiveMachine m("nt40", R"(
        [HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM]
        "Serial0"="COM1")");
    RemoveSerialCommValue();
    EXPECT_EQ(m.machine.journal.Calls(), (Calls{"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"}));
}

TEST(RemoveSerialCommValue, KeepsAnEntryTooLargeForItsBuffer)
{
    ActiveMachine m("nt40");
    m.machine.registry.SetValue(R"(HARDWARE\DEVICEMAP\SERIALCOMM)", "QalmPort1", REG_SZ, std::vector<BYTE>(261, 'C'));
    RemoveSerialCommValue();
    EXPECT_NE(m.Key(R"(HARDWARE\DEVICEMAP\SERIALCOMM)").FindValue("QalmPort1"), nullptr);
    EXPECT_EQ(CountCalls(m.machine.journal, "RegDeleteValueA"), 0u);
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

}  // namespace
