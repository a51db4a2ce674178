#include <windows.h>

#include "check/check_items.h"
#include "devices/devices.h"
#include "product/product.h"
#include "registry/buffer_sizes.h"
#include "registry/path_buffer.h"

// A device key is an item when the scan would hand its first instance over;
// each run hands over one, so its line says how many are left.
static void CheckDeviceKey(CHECK_TALLY* tally, int mode, const char* devicePath)
{
    HKEY device;
    char name[KEY_NAME_SIZE];
    char later[KEY_NAME_SIZE];
    char instancePath[LONG_PATH_SIZE];
    char kind[32];
    DWORD count = 0;
    DWORD length;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, devicePath, 0, KEY_ENUMERATE_SUB_KEYS, &device);

    if (result != ERROR_SUCCESS) {
        if (result != ERROR_FILE_NOT_FOUND)
            ReportUnreadable(tally, devicePath);
        return;
    }
    for (;;) {
        length = KEY_NAME_SIZE;
        // name keeps the first instance's: later ones are only counted.
        if (RegEnumKeyExA(device, count, count == 0 ? name : later, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        count++;
    }
    RegCloseKey(device);

    if (count == 0 || !JoinPath(instancePath, sizeof(instancePath), devicePath, name))
        return;
    result = QueryInstalledInstance(mode, instancePath, ClassValueName);
    if (result == ERROR_ACCESS_DENIED) {
        ReportUnreadable(tally, instancePath);
    } else if (result == ERROR_SUCCESS && CopyPath(kind, sizeof(kind), "present instances ")
               && AppendCount(kind, sizeof(kind), (int)count)) {
        ReportItem(kind, devicePath, " (each run removes one)");
        tally->removable++;
    }
}

void CheckDeviceKeys(CHECK_TALLY* tally, int mode, const char* enumeratorPath, const char* const* patterns)
{
    HKEY enumerator;
    char name[KEY_NAME_SIZE];
    char path[LONG_PATH_SIZE];
    DWORD index;
    DWORD length;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, enumeratorPath, 0, KEY_ENUMERATE_SUB_KEYS, &enumerator);

    if (result != ERROR_SUCCESS) {
        if (result != ERROR_FILE_NOT_FOUND)
            ReportUnreadable(tally, enumeratorPath);
        return;
    }
    for (index = 0;; index++) {
        length = KEY_NAME_SIZE;
        if (RegEnumKeyExA(enumerator, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (MatchesDeviceId(name, patterns) && JoinPath(path, sizeof(path), enumeratorPath, name))
            CheckDeviceKey(tally, mode, path);
    }
    RegCloseKey(enumerator);
}
