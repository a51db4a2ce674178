#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace win32sim;
using simtest::ActiveMachine;
using simtest::AddKeys;
using simtest::KeyExists;

namespace {

const char* const ServiceKey = "SYSTEM\\CurrentControlSet\\Services\\QalmPort";

// The driver service as its installation leaves it.
void InstallService(Machine& machine, bool running)
{
    machine.registry.SetDword(ServiceKey, "Type", 1);
    AddKeys(machine.registry,
            {"SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Parameters\\QalmPort1",
             "SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Enum", "SYSTEM\\CurrentControlSet\\Services\\Other"});
    machine.registry.SetDword("SYSTEM\\CurrentControlSet\\Services\\Other", "Type", 1);
    machine.services["QalmPort"].running = running;
}

}  // namespace

TEST(ServiceManager, AnUnknownServiceAnswersServiceDoesNotExist)
{
    ActiveMachine on("nt40");
    // A Services key without a "Type" value is no service.
    AddKeys(on.machine.registry, {ServiceKey});
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(OpenServiceA(manager, "QalmPort", SERVICE_STOP | DELETE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(OpenServiceA(manager, "Missing", SERVICE_STOP | DELETE), nullptr);
    EXPECT_TRUE(CloseServiceHandle(manager));
    EXPECT_EQ(on.machine.OpenHandleCount(), 0u);
}

TEST(ServiceManager, StopsARunningServiceAndAnswersNotActiveOnceStopped)
{
    ActiveMachine on("nt40");
    InstallService(on.machine, true);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, "qalmport", SERVICE_STOP | DELETE);
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS status = {};
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwServiceType, 1u);
    EXPECT_FALSE(on.machine.services["QalmPort"].running);
    EXPECT_TRUE(on.machine.services["QalmPort"].stoppedByRequest);
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    EXPECT_TRUE(KeyExists(on.machine, ServiceKey));
}

TEST(ServiceManager, AServiceIsMarkedForDeletionOnce)
{
    ActiveMachine on("nt40");
    InstallService(on.machine, false);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, "QalmPort", SERVICE_STOP | DELETE);
    EXPECT_TRUE(DeleteService(service));
    EXPECT_FALSE(DeleteService(service));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

TEST(ServiceManager, TheKeysGoWhenTheServiceIsMarkedStoppedAndItsLastHandleClosed)
{
    ActiveMachine on("nt40");
    InstallService(on.machine, true);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE first = OpenServiceA(manager, "QalmPort", SERVICE_STOP | DELETE);
    SC_HANDLE second = OpenServiceA(manager, "QalmPort", SERVICE_STOP | DELETE);
    EXPECT_TRUE(DeleteService(first));
    CloseServiceHandle(first);
    EXPECT_TRUE(KeyExists(on.machine, ServiceKey)) << "still running, one handle open";
    EXPECT_TRUE(ControlService(second, SERVICE_CONTROL_STOP, nullptr));
    EXPECT_TRUE(KeyExists(on.machine, ServiceKey)) << "stopped, but one handle open";
    CloseServiceHandle(second);
    EXPECT_FALSE(KeyExists(on.machine, ServiceKey));
    EXPECT_TRUE(on.machine.services["QalmPort"].keysRemoved);
    EXPECT_TRUE(KeyExists(on.machine, "SYSTEM\\CurrentControlSet\\Services\\Other"));
    EXPECT_EQ(OpenServiceA(manager, "QalmPort", SERVICE_STOP), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    CloseServiceHandle(manager);
    EXPECT_EQ(on.machine.OpenHandleCount(), 0u);
}

TEST(ServiceManager, AMarkedServiceThatStillRunsKeepsItsKeys)
{
    ActiveMachine on("nt40");
    InstallService(on.machine, true);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, "QalmPort", DELETE);
    // Without SERVICE_STOP the stop request is refused; the mark still holds.
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(DeleteService(service));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    EXPECT_TRUE(KeyExists(on.machine, ServiceKey));
    EXPECT_TRUE(on.machine.services["QalmPort"].markedForDeletion);
}

TEST(ServiceManager, PlantedRefusalsFailEachStepWithAccessDenied)
{
    ActiveMachine on("nt40");
    InstallService(on.machine, true);
    on.machine.managerRefusesOpen = true;
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    on.machine.managerRefusesOpen = false;

    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ServiceState& state = on.machine.services["QalmPort"];
    state.refusesOpen = true;
    EXPECT_EQ(OpenServiceA(manager, "QalmPort", SERVICE_STOP | DELETE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    state.refusesOpen = false;

    state.refusesStop = true;
    state.refusesDeletion = true;
    SC_HANDLE service = OpenServiceA(manager, "QalmPort", SERVICE_STOP | DELETE);
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, nullptr));
    EXPECT_FALSE(DeleteService(service));
    EXPECT_TRUE(state.running);
    EXPECT_FALSE(state.markedForDeletion);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    EXPECT_TRUE(KeyExists(on.machine, ServiceKey));
}

TEST(ServiceManager, The9xFamilyHasNone)
{
    ActiveMachine on("win98");
    InstallService(on.machine, false);
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

TEST(ServiceManager, HandlesOfTheWrongKindOrClosedAreInvalid)
{
    ActiveMachine on("nt40");
    InstallService(on.machine, true);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    EXPECT_FALSE(ControlService(manager, SERVICE_CONTROL_STOP, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SC_HANDLE service = OpenServiceA(manager, "QalmPort", SERVICE_STOP | DELETE);
    EXPECT_EQ(OpenServiceA(service, "QalmPort", SERVICE_STOP), nullptr);
    EXPECT_TRUE(CloseServiceHandle(service));
    EXPECT_FALSE(CloseServiceHandle(service));
    EXPECT_FALSE(DeleteService(service));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseServiceHandle(manager));
    EXPECT_EQ(on.machine.services["QalmPort"].openHandles, 0);
}
