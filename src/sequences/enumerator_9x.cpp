#include <windows.h>

#include "devices/devices.h"
#include "product/product.h"
#include "registry/buffer_sizes.h"
#include "registry/path_buffer.h"
#include "sequences/sequences.h"
#include "text/text.h"

static void DeleteDriverSettings(HKEY instance, void*)
{
    char driver[SHORT_PATH_SIZE + 1];
    char classPath[SHORT_PATH_SIZE];
    const char* settingsName = ReadDriverSettingsKey(instance, driver, classPath);
    HKEY classKey;

    if (settingsName == NULL)
        return;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, classPath, 0, KEY_ALL_ACCESS, &classKey) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(classKey, settingsName);
    RegCloseKey(classKey);
}

// On the 9x family RegDeleteKeyA takes the whole subtree.
static void DeleteSubkey(const char* parentPath, const char* name)
{
    HKEY parent;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(parent, name);
    RegCloseKey(parent);
}

static void DeleteMatchingSubkeys(const char* parentPath, const char* const* patterns)
{
    HKEY parent;
    char name[KEY_NAME_SIZE];
    DWORD index = 0;
    DWORD length;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS)
        return;

    for (;;) {
        length = KEY_NAME_SIZE;
        if (RegEnumKeyExA(parent, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        // After a deletion the remaining subkeys have moved down into this index.
        if (!MatchesDeviceId(name, patterns) || RegDeleteKeyA(parent, name) != ERROR_SUCCESS)
            index++;
    }

    RegCloseKey(parent);
}

void CleanEnumerator9x(const char* enumeratorName)
{
    char enumeratorPath[SHORT_PATH_SIZE];

    if (CopyPath(enumeratorPath, sizeof(enumeratorPath), EnumPrefix9x)
        && AppendPath(enumeratorPath, sizeof(enumeratorPath), enumeratorName))
        VisitFirstInstance9x(enumeratorPath, DeleteDriverSettings, NULL);
    DeleteSubkey(EnumKey9x, enumeratorName);
    DeleteSubkey(ClassKey9x, enumeratorName);
    DeleteMatchingSubkeys(PciEnumKey9x, PciDeviceIds9x);
    DeleteMatchingSubkeys(MfChildKey9x, MfDeviceIds9x);
}
