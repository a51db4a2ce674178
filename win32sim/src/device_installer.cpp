#include "device_installer.h"

#include <string>

#include "key_path.h"
#include "registry_rules.h"

namespace win32sim {

namespace {

RegKey* FindInstanceKey(const Machine& machine, std::string_view instanceId)
{
    // An instance id names exactly enumerator, device and instance.
    std::vector<std::string_view> names;
    if (instanceId.empty() || instanceId.back() == '\\' || !SplitKeyPath(instanceId, names) || names.size() != 3)
        return nullptr;
    return machine.registry.Find(std::string(EnumKeyPath) + "\\" + std::string(instanceId));
}

}  // namespace

DWORD FindDeviceInstance(const Machine& machine, std::string_view instanceId)
{
    if (instanceId.size() >= MaxDeviceIdLength)
        return ERROR_INVALID_PARAMETER;
    return FindInstanceKey(machine, instanceId) ? ERROR_SUCCESS : ERROR_NO_SUCH_DEVINST;
}

DWORD RemoveDevice(Machine& machine, std::string_view instanceId)
{
    RegKey* instance = FindInstanceKey(machine, instanceId);
    if (!instance)
        return ERROR_NO_SUCH_DEVINST;
    if (SubtreeRefusesDeletion(*instance))
        return ERROR_ACCESS_DENIED;
    RegKey* device = instance->Parent();
    device->RemoveSubkey(instance->Name());
    if (device->SubkeyCount() == 0 && !device->refusesDeletion)
        device->Parent()->RemoveSubkey(device->Name());
    machine.removedDevices.emplace_back(instanceId);
    return ERROR_SUCCESS;
}

}  // namespace win32sim
