#include <windows.h>

#include "devices/devices.h"
#include "platform/platform_mode.h"
#include "product/product.h"
#include "registry/buffer_sizes.h"

LONG QueryInstalledInstance(int mode, const char* instancePath, const char* classValueName)
{
    HKEY instance;
    BYTE data[VALUE_BUFFER_SIZE];
    DWORD size = sizeof(data);
    LONG result;

    if (mode == MODE_NT5)
        return ERROR_SUCCESS;
    if (mode != MODE_NT4)
        return ERROR_CALL_NOT_IMPLEMENTED;  // no device goes to the installer

    // Only the class value's presence matters: it marks an installed instance.
    result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, instancePath, 0, KEY_QUERY_VALUE, &instance);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegQueryValueExA(instance, classValueName, NULL, NULL, data, &size);
    RegCloseKey(instance);
    return result;
}
