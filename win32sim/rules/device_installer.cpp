#include "device_installer.h"

#include <algorithm>
#include <string>

#include "model/key_path.h"
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

// The driver key an instance's "Driver" value names, or nullptr. A driver key
// is a key exactly two levels below Control\Class: the value is text (REG_SZ
// or REG_EXPAND_SZ, read up to its first NUL, nothing expanded) made of two
// non-empty key names, class and index, joined by one backslash. Anything
// else names none: the class name alone, an empty class or index, a leading,
// trailing or doubled backslash, a third name. Names are looked up as they
// are written, so ".." is a name like any other: what goes is always
// Control\Class\CLASS\INDEX itself, never the class key, never anything else.
RegKey* FindDriverKey(const Machine& machine, const RegKey& instance)
{
    const RegValue* driver = instance.FindValue("Driver");
    if (!driver || (driver->Type() != REG_SZ && driver->Type() != REG_EXPAND_SZ))
        return nullptr;
    const ByteView data = driver->Data();
    const std::string text(data.begin(), std::find(data.begin(), data.end(), BYTE{0}));
    std::vector<std::string_view> names;
    if (text.empty() || text.back() == '\\' || !SplitKeyPath(text, names) || names.size() != 2)
        return nullptr;
    return machine.registry.Find(std::string(ClassKeyPath) + "\\" + text);
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
    DeviceRemoval removal{std::string(instanceId), {}};
    // The driver key goes first, as on the platform. One that resists
    // deletion anywhere in its subtree stays whole, and the removal goes on
    // without it: the platform takes the instance all the same and reports
    // success (it does not look at how the driver key's deletion went).
    RegKey* driverKey = FindDriverKey(machine, *instance);
    if (driverKey && !SubtreeRefusesDeletion(*driverKey)) {
        removal.removedKeys.push_back(driverKey->Path());
        driverKey->Parent()->RemoveSubkey(driverKey->Name());
    }
    RegKey* device = instance->Parent();
    const std::string instancePath = instance->Path();
    device->RemoveSubkey(instance->Name());
    if (device->SubkeyCount() == 0 && !device->refusesDeletion) {
        removal.removedKeys.push_back(device->Path());
        device->Parent()->RemoveSubkey(device->Name());
    } else {
        removal.removedKeys.push_back(instancePath);
    }
    machine.removedDevices.push_back(std::move(removal));
    return ERROR_SUCCESS;
}

}  // namespace win32sim
