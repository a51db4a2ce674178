#include <windows.h>
#include <setupapi.h>

#include "devices/devices.h"
#include "platform/platform_mode.h"
#include "platform/procedure.h"
#include "product/product.h"
#include "text/text.h"

HDEVINFO OpenDeviceInstance(const DEVICE_INSTALLER* installer, int mode, HWND owner, const char* instancePath,
                            const char* classValueName, SP_DEVINFO_DATA* record)
{
    const char* marker;
    const char* instanceId;
    HDEVINFO set;

    if (mode == MODE_NT4) {
        if (QueryInstalledInstance(mode, instancePath, classValueName) != ERROR_SUCCESS)
            return INVALID_HANDLE_VALUE;
        marker = InstanceMarkerNt4;
    } else if (mode == MODE_NT5) {
        marker = InstanceMarkerNt5;
    } else {
        return INVALID_HANDLE_VALUE;
    }

    set = installer->CreateDeviceInfoList(NULL, owner);
    if (set == INVALID_HANDLE_VALUE)
        return set;

    record->cbSize = sizeof(SP_DEVINFO_DATA);
    // The installer names an instance by the tail of its path below Enum.
    instanceId = FindSubstring(instancePath, marker);
    if (instanceId != NULL && installer->OpenDeviceInfo(set, instanceId, owner, 0, record))
        return set;

    installer->DestroyDeviceInfoList(set);
    return INVALID_HANDLE_VALUE;
}

static ANY_PROCEDURE FindInstallerFunction(HMODULE library, const char* name)
{
    return (ANY_PROCEDURE)GetProcAddress(library, name);
}

// Windows 95 and NT 3.51 have no setupapi.dll: the program must start there
// all the same, so the installer is looked up, never imported. On success the
// caller frees installer->library.
static BOOL LoadDeviceInstaller(DEVICE_INSTALLER* installer)
{
    installer->library = LoadLibraryA(SetupApiLibrary);
    if (installer->library == NULL)
        return FALSE;
    installer->CreateDeviceInfoList =
        (CREATE_DEVICE_INFO_LIST)FindInstallerFunction(installer->library, "SetupDiCreateDeviceInfoList");
    installer->OpenDeviceInfo = (OPEN_DEVICE_INFO)FindInstallerFunction(installer->library, "SetupDiOpenDeviceInfoA");
    installer->CallClassInstaller =
        (CALL_CLASS_INSTALLER)FindInstallerFunction(installer->library, "SetupDiCallClassInstaller");
    installer->DestroyDeviceInfoList =
        (DESTROY_DEVICE_INFO_LIST)FindInstallerFunction(installer->library, "SetupDiDestroyDeviceInfoList");
    if (installer->CreateDeviceInfoList != NULL && installer->OpenDeviceInfo != NULL
        && installer->CallClassInstaller != NULL && installer->DestroyDeviceInfoList != NULL)
        return TRUE;

    FreeLibrary(installer->library);
    return FALSE;
}

void RemoveDeviceInstance(int mode, const char* instancePath)
{
    DEVICE_INSTALLER installer;
    SP_DEVINFO_DATA record;
    HWND owner = GetFocus();
    HDEVINFO set;

    if (!LoadDeviceInstaller(&installer))
        return;
    set = OpenDeviceInstance(&installer, mode, owner, instancePath, ClassValueName, &record);
    if (set != INVALID_HANDLE_VALUE) {
        installer.CallClassInstaller(DIF_REMOVE, set, &record);
        installer.DestroyDeviceInfoList(set);
    }
    FreeLibrary(installer.library);
}
