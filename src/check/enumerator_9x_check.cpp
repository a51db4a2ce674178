#include <windows.h>

#include "check/check_items.h"
#include "product/product.h"
#include "registry/buffer_sizes.h"
#include "registry/path_buffer.h"
#include "sequences/sequences.h"

// The settings key named by the first instance's "Driver" value.
static void CheckDriverSettings(HKEY instance, void* context)
{
    char driver[SHORT_PATH_SIZE + 1];
    char classPath[SHORT_PATH_SIZE];
    char path[LONG_PATH_SIZE];
    const char* settingsName = ReadDriverSettingsKey(instance, driver, classPath);

    if (settingsName != NULL && JoinPath(path, sizeof(path), classPath, settingsName))
        CheckKeyTree((CHECK_TALLY*)context, path, 0);
}

static void CheckSubkey(CHECK_TALLY* tally, const char* parentPath, const char* name)
{
    char path[LONG_PATH_SIZE];

    if (JoinPath(path, sizeof(path), parentPath, name))
        CheckKeyTree(tally, path, 0);
}

void CheckEnumerator9x(CHECK_TALLY* tally, const char* enumeratorName)
{
    char enumeratorPath[SHORT_PATH_SIZE];

    if (CopyPath(enumeratorPath, sizeof(enumeratorPath), EnumPrefix9x)
        && AppendPath(enumeratorPath, sizeof(enumeratorPath), enumeratorName))
        VisitFirstInstance9x(enumeratorPath, CheckDriverSettings, tally);
    CheckSubkey(tally, EnumKey9x, enumeratorName);
    CheckSubkey(tally, ClassKey9x, enumeratorName);
}
