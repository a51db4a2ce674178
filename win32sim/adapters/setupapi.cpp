// The device-installer functions: translate the set, ask the installer's
// rules, record the call, report failures through SetLastError.
#include <setupapi.h>

#include <cstring>

#include "call_text.h"
#include "rules/device_installer.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

std::string RecordArgument(const SP_DEVINFO_DATA* record) { return record ? Decimal(record->cbSize) : "NULL"; }

BOOL Finish(Machine& machine, DWORD status)
{
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    return status == ERROR_SUCCESS;
}

// The set's entry that a device record names; nullptr for a record of another set.
const std::string* RecordedDevice(const DeviceInfoSet& set, const SP_DEVINFO_DATA& record)
{
    if (record.Reserved == 0 || record.Reserved > set.devices.size())
        return nullptr;
    return &set.devices[record.Reserved - 1];
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiCreateDeviceInfoList(const GUID* classGuid, HWND parent)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {classGuid ? "&guid" : "NULL", machine.handles.NameOf(parent)};
    DWORD status = machine.deviceInfoListFails ? ERROR_NOT_ENOUGH_MEMORY : ERROR_SUCCESS;
    HDEVINFO set = INVALID_HANDLE_VALUE;
    if (status == ERROR_SUCCESS)
        set = machine.handles.AddSet(DeviceInfoSet{});
    Finish(machine, status);
    Record(machine, "SetupDiCreateDeviceInfoList", std::move(arguments), status,
           status == ERROR_SUCCESS ? machine.handles.NameOf(set) : "");
    return set;
}

BOOL WINAPI SetupDiOpenDeviceInfoA(HDEVINFO set, PCSTR instanceId, HWND parent, DWORD flags, PSP_DEVINFO_DATA record)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(set), Quoted(instanceId),
                                          machine.handles.NameOf(parent), Hex(flags), RecordArgument(record)};
    DeviceInfoSet* found = machine.handles.FindSet(set);
    DWORD status;
    if (!found)
        status = ERROR_INVALID_HANDLE;
    else if (!instanceId)
        status = ERROR_INVALID_PARAMETER;
    else if (record && record->cbSize != sizeof(SP_DEVINFO_DATA))
        status = ERROR_INVALID_USER_BUFFER;
    else
        status = FindDeviceInstance(machine, instanceId);
    if (status == ERROR_SUCCESS) {
        found->devices.emplace_back(instanceId);
        if (record) {
            std::memset(&record->ClassGuid, 0, sizeof(record->ClassGuid));
            record->DevInst = static_cast<DWORD>(found->devices.size());
            record->Reserved = found->devices.size();
        }
    }
    Record(machine, "SetupDiOpenDeviceInfoA", std::move(arguments), status, "", instanceId ? instanceId : "");
    return Finish(machine, status);
}

BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA record)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {Decimal(function), machine.handles.NameOf(set), RecordArgument(record)};
    DeviceInfoSet* found = machine.handles.FindSet(set);
    const std::string* device = nullptr;
    DWORD status;
    if (!found)
        status = ERROR_INVALID_HANDLE;
    else if (function != DIF_REMOVE || !record)  // only the remove request is modelled; it needs a device
        status = ERROR_INVALID_PARAMETER;
    else if (record->cbSize != sizeof(SP_DEVINFO_DATA))
        status = ERROR_INVALID_USER_BUFFER;
    else if (!(device = RecordedDevice(*found, *record)))
        status = ERROR_INVALID_PARAMETER;
    else if (machine.InWow64())  // a 32-bit caller on 64-bit Windows may not run the class installer
        status = ERROR_IN_WOW64;
    else
        status = RemoveDevice(machine, *device);
    Record(machine, "SetupDiCallClassInstaller", std::move(arguments), status, "", device ? *device : "");
    return Finish(machine, status);
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(set)};
    DWORD status = machine.handles.CloseSet(set) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    Record(machine, "SetupDiDestroyDeviceInfoList", std::move(arguments), status);
    return Finish(machine, status);
}

}  // extern "C"
