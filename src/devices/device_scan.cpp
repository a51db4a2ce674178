#include <windows.h>

#include "devices/devices.h"
#include "product/product.h"
#include "registry/buffer_sizes.h"
#include "registry/path_buffer.h"
#include "text/text.h"

// Hands the first instance of the device key at path over; path is given back
// as it came. TRUE when an instance was handed over.
static BOOL RemoveFirstInstance(int mode, char* path, size_t size)
{
    HKEY device;
    char name[KEY_NAME_SIZE];
    DWORD length = KEY_NAME_SIZE;
    size_t deviceLength = TextLength(path);
    BOOL handedOver = FALSE;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ENUMERATE_SUB_KEYS, &device) != ERROR_SUCCESS)
        return FALSE;

    ClearBytes(name, sizeof(name));
    // Only the first instance: the others of this device key stay for another run.
    if (RegEnumKeyExA(device, 0, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS && AppendPath(path, size, "\\")
        && AppendPath(path, size, name)) {
        RemoveDeviceInstance(mode, path);
        handedOver = TRUE;
    }
    path[deviceLength] = '\0';

    RegCloseKey(device);
    return handedOver;
}

// The installer removes the device key with its last instance.
static BOOL DeviceKeyIsGone(const char* path)
{
    HKEY device;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ENUMERATE_SUB_KEYS, &device);

    if (result == ERROR_SUCCESS)
        RegCloseKey(device);
    return result == ERROR_FILE_NOT_FOUND;
}

void ScanDeviceKeys(int mode, const char* enumeratorPath, const char* const* patterns)
{
    HKEY enumerator;
    char name[KEY_NAME_SIZE];
    char path[LONG_PATH_SIZE];
    DWORD index = 0;
    DWORD length;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, enumeratorPath, 0, KEY_ENUMERATE_SUB_KEYS, &enumerator) != ERROR_SUCCESS)
        return;

    for (;;) {
        ClearBytes(name, sizeof(name));
        length = KEY_NAME_SIZE;
        if (RegEnumKeyExA(enumerator, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        // When the device key went with its instance, the next one has moved
        // into this index. Each such repeat costs the registry a key that was
        // just opened, so the scan still ends.
        if (MatchesDeviceId(name, patterns) && CopyPath(path, sizeof(path), enumeratorPath)
            && AppendPath(path, sizeof(path), "\\") && AppendPath(path, sizeof(path), name)
            && RemoveFirstInstance(mode, path, sizeof(path)) && DeviceKeyIsGone(path))
            continue;
        index++;
    }

    RegCloseKey(enumerator);
}
