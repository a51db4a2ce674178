#include <windows.h>

#include "devices/devices.h"
#include "platform/platform_mode.h"
#include "product/product.h"
#include "registry/buffer_sizes.h"
#include "registry/key_tree.h"
#include "sequences/sequences.h"

void RemoveSerialCommValue(void)
{
    HKEY map;
    BYTE data[VALUE_BUFFER_SIZE];
    DWORD size = sizeof(data);

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SerialCommKey, 0, KEY_ALL_ACCESS, &map) != ERROR_SUCCESS)
        return;
    // A value too large for the buffer counts as absent and stays.
    if (RegQueryValueExA(map, SerialCommValueName, NULL, NULL, data, &size) == ERROR_SUCCESS)
        RegDeleteValueA(map, SerialCommValueName);
    RegCloseKey(map);
}

void RunNt4Removal(void)
{
    ScanDeviceKeys(MODE_NT4, RootEnumKey, RootDeviceMarker);
    ClearChildKeys(HKEY_LOCAL_MACHINE, CountryKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, VendorSoftwareKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, DeviceSpecificKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKeys[0]);  // the other variants' entries stay on NT 4
    RemoveSerialCommValue();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceEnumKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceParametersKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceSecurityKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceKey);
}
