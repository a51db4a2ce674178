#include <windows.h>

#include "product/product.h"
#include "registry/buffer_sizes.h"
#include "registry/path_buffer.h"
#include "sequences/sequences.h"
#include "text/text.h"

// The 9x registry lets a key opened for querying values be enumerated too.
static BOOL OpenFirstSubkey(HKEY parent, HKEY* child)
{
    char name[KEY_NAME_SIZE];
    DWORD length = KEY_NAME_SIZE;

    return RegEnumKeyExA(parent, 0, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS
           && RegOpenKeyExA(parent, name, 0, KEY_QUERY_VALUE, child) == ERROR_SUCCESS;
}

const char* ReadDriverSettingsKey(HKEY instance, char* driver, char* classPath)
{
    DWORD size = SHORT_PATH_SIZE;
    char* separator;

    if (RegQueryValueExA(instance, DriverValueName9x, NULL, NULL, (BYTE*)driver, &size) != ERROR_SUCCESS)
        return NULL;
    // One over the size asked for: the data may lack a terminator.
    driver[size < SHORT_PATH_SIZE ? size : SHORT_PATH_SIZE] = '\0';

    // Without a class and an index of its own, the deletion could reach the
    // class key itself or a key beside the one meant.
    separator = FindCharacter(driver, '\\');
    if (separator == NULL || separator == driver || separator[1] == '\0' || separator[1] == '\\')
        return NULL;
    *separator = '\0';

    if (!CopyPath(classPath, SHORT_PATH_SIZE, ClassKeyPrefix9x) || !AppendPath(classPath, SHORT_PATH_SIZE, driver))
        return NULL;
    return separator + 1;
}

void VisitFirstInstance9x(const char* enumeratorPath, FIRST_INSTANCE_ACTION action, void* context)
{
    HKEY enumerator;
    HKEY device;
    HKEY instance;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, enumeratorPath, 0, KEY_QUERY_VALUE, &enumerator) != ERROR_SUCCESS)
        return;
    if (OpenFirstSubkey(enumerator, &device)) {
        if (OpenFirstSubkey(device, &instance)) {
            action(instance, context);
            RegCloseKey(instance);
        }
        RegCloseKey(device);
    }
    RegCloseKey(enumerator);
}
