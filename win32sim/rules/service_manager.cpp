#include "service_manager.h"

#include <cstring>
#include <string>

namespace win32sim {

namespace {

std::string ServiceKeyPath(std::string_view name) { return std::string(ServicesKeyPath) + "\\" + std::string(name); }

// A service is a Services key that holds a "Type" value.
const RegKey* FindServiceKey(const Machine& machine, std::string_view name)
{
    if (name.empty() || name.find('\\') != std::string_view::npos)
        return nullptr;
    const RegKey* key = machine.registry.Find(ServiceKeyPath(name));
    return key && key->FindValue("Type") ? key : nullptr;
}

void FillStatus(const Machine& machine, const ServiceHandle& service, const ServiceState& state, SERVICE_STATUS* status)
{
    if (!status)
        return;
    std::memset(status, 0, sizeof(*status));
    const RegKey* key = FindServiceKey(machine, service.service);
    const RegValue* type = key ? key->FindValue("Type") : nullptr;
    if (type && type->Type() == REG_DWORD && type->Data().size() == sizeof(DWORD))
        std::memcpy(&status->dwServiceType, type->Data().data(), sizeof(DWORD));
    status->dwCurrentState = state.running ? SERVICE_RUNNING : SERVICE_STOPPED;
}

}  // namespace

DWORD OpenManager(const Machine& machine)
{
    if (machine.Is9x())
        return ERROR_CALL_NOT_IMPLEMENTED;  // the 9x family has no service control manager
    if (machine.managerRefusesOpen)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

DWORD OpenService(Machine& machine, std::string_view name)
{
    if (!FindServiceKey(machine, name))
        return ERROR_SERVICE_DOES_NOT_EXIST;
    ServiceState& state = machine.services[std::string(name)];
    if (state.refusesOpen)
        return ERROR_ACCESS_DENIED;
    ++state.openHandles;
    return ERROR_SUCCESS;
}

DWORD StopService(Machine& machine, const ServiceHandle& service, SERVICE_STATUS* status)
{
    if ((service.access & SERVICE_STOP) == 0)
        return ERROR_ACCESS_DENIED;
    ServiceState& state = machine.services[service.service];
    if (state.refusesStop)
        return ERROR_ACCESS_DENIED;
    if (!state.running) {
        FillStatus(machine, service, state, status);
        return ERROR_SERVICE_NOT_ACTIVE;
    }
    // A stop takes effect at once here; the program never waits for it anyway.
    state.running = false;
    state.stoppedByRequest = true;
    FillStatus(machine, service, state, status);
    return ERROR_SUCCESS;
}

DWORD MarkServiceForDeletion(Machine& machine, const ServiceHandle& service)
{
    if ((service.access & DELETE) == 0)
        return ERROR_ACCESS_DENIED;
    ServiceState& state = machine.services[service.service];
    if (state.refusesDeletion)
        return ERROR_ACCESS_DENIED;
    if (state.markedForDeletion)
        return ERROR_SERVICE_MARKED_FOR_DELETE;
    state.markedForDeletion = true;
    return ERROR_SUCCESS;
}

void ReleaseService(Machine& machine, const ServiceHandle& service)
{
    ServiceState& state = machine.services[service.service];
    --state.openHandles;
    if (state.markedForDeletion && !state.running && state.openHandles == 0 && !state.keysRemoved) {
        machine.registry.DeleteTree(ServiceKeyPath(service.service));
        state.keysRemoved = true;
    }
}

}  // namespace win32sim
