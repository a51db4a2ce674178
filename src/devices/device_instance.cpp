#include <windows.h>
#include <setupapi.h>

#include <string.h>

#include "devices/devices.h"
#include "entry/entry.h"
#include "product/product.h"

HDEVINFO OpenDeviceInstance(HWND owner, const char* instancePath, const char* classValueName,
                            SP_DEVINFO_DATA* record)
{
    const char* marker;
    const char* instanceId;
    HDEVINFO set;

    if (PlatformMode == MODE_NT4) {
        if (QueryInstalledInstance(PlatformMode, instancePath, classValueName) != ERROR_SUCCESS)
            return INVALID_HANDLE_VALUE;
        marker = InstanceMarkerNt4;
    } else if (PlatformMode == MODE_NT5) {
        marker = InstanceMarkerNt5;
    } else {
        return INVALID_HANDLE_VALUE;
    }

    set = SetupDiCreateDeviceInfoList(NULL, owner);
    if (set == INVALID_HANDLE_VALUE)
        return set;

    record->cbSize = sizeof(SP_DEVINFO_DATA);
    // The installer names an instance by the tail of its path below Enum.
    instanceId = strstr(instancePath, marker);
    if (instanceId != NULL && SetupDiOpenDeviceInfoA(set, instanceId, owner, 0, record))
        return set;

    SetupDiDestroyDeviceInfoList(set);
    return INVALID_HANDLE_VALUE;
}

void RemoveDeviceInstance(const char* instancePath)
{
    SP_DEVINFO_DATA record;
    HWND owner = GetFocus();
    HDEVINFO set = OpenDeviceInstance(owner, instancePath, ClassValueName, &record);

    if (set == INVALID_HANDLE_VALUE)
        return;
    SetupDiCallClassInstaller(DIF_REMOVE, set, &record);
    SetupDiDestroyDeviceInfoList(set);
}
