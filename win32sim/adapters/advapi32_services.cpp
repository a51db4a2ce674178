// The service control manager functions: translate the handle, ask the
// manager's rules, record the call, report failures through SetLastError.
#include <windows.h>

#include "call_text.h"
#include "rules/service_manager.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

ServiceHandle* FindServiceHandle(Machine& machine, SC_HANDLE handle, bool manager)
{
    ServiceHandle* found = machine.handles.FindService(handle);
    return found && found->isManager == manager ? found : nullptr;
}

BOOL Finish(Machine& machine, DWORD status)
{
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    return status == ERROR_SUCCESS;
}

}  // namespace

extern "C" {

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desired)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {Quoted(machineName), Quoted(databaseName), Hex(desired)};
    // Only the local machine's active database exists here.
    DWORD status = (machineName && *machineName) || (databaseName && *databaseName) ? ERROR_INVALID_PARAMETER
                                                                                    : OpenManager(machine);
    SC_HANDLE handle = nullptr;
    if (status == ERROR_SUCCESS)
        handle = machine.handles.AddService(ServiceHandle{true, "", desired, ""});
    Finish(machine, status);
    Record(machine, "OpenSCManagerA", std::move(arguments), status, handle ? machine.handles.NameOf(handle) : "");
    return handle;
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD desired)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(manager), Quoted(serviceName), Hex(desired)};
    DWORD status;
    if (!FindServiceHandle(machine, manager, true))
        status = ERROR_INVALID_HANDLE;
    else if (!serviceName)
        status = ERROR_INVALID_PARAMETER;
    else
        status = OpenService(machine, serviceName);
    SC_HANDLE handle = nullptr;
    if (status == ERROR_SUCCESS)
        handle = machine.handles.AddService(ServiceHandle{false, serviceName, desired, ""});
    Finish(machine, status);
    Record(machine, "OpenServiceA", std::move(arguments), status, handle ? machine.handles.NameOf(handle) : "",
           serviceName ? serviceName : "");
    return handle;
}

BOOL WINAPI ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(service), Decimal(control)};
    ServiceHandle* handle = FindServiceHandle(machine, service, false);
    DWORD result;
    if (!handle)
        result = ERROR_INVALID_HANDLE;
    else if (control != SERVICE_CONTROL_STOP)
        result = ERROR_INVALID_SERVICE_CONTROL;  // the only control modelled
    else
        result = StopService(machine, *handle, status);
    Record(machine, "ControlService", std::move(arguments), result, "", handle ? handle->service : "");
    return Finish(machine, result);
}

BOOL WINAPI DeleteService(SC_HANDLE service)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(service)};
    ServiceHandle* handle = FindServiceHandle(machine, service, false);
    DWORD result = handle ? MarkServiceForDeletion(machine, *handle) : ERROR_INVALID_HANDLE;
    Record(machine, "DeleteService", std::move(arguments), result, "", handle ? handle->service : "");
    return Finish(machine, result);
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(handle)};
    ServiceHandle* found = machine.handles.FindService(handle);
    DWORD result = found ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    std::string target;
    if (found) {
        ServiceHandle closed = *found;
        machine.handles.CloseService(handle);
        if (!closed.isManager)
            ReleaseService(machine, closed);
        target = closed.service;
    }
    Record(machine, "CloseServiceHandle", std::move(arguments), result, "", target);
    return Finish(machine, result);
}

}  // extern "C"
