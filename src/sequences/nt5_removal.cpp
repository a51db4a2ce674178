#include <windows.h>

#include "devices/devices.h"
#include "platform/platform_mode.h"
#include "product/product.h"
#include "registry/key_tree.h"
#include "sequences/sequences.h"

static void CleanEnumerators9x(void)
{
    int i;

    for (i = 0; i < ENUMERATOR_COUNT_9X; i++)
        CleanEnumerator9x(EnumeratorNames9x[i]);
}

static void DeleteUninstallEntries(void)
{
    int i;

    for (i = 0; i < UNINSTALL_KEY_COUNT; i++)
        DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKeys[i]);
}

// The 9x family runs this sequence too: its device scan hands nothing to the
// installer there, and only it has a hardware tree to clean.
static void RunRemoval(int mode)
{
    ScanDeviceKeys(mode, PciEnumKey, PciDeviceIds);
    if (mode == MODE_9X)
        CleanEnumerators9x();
    ClearChildKeys(HKEY_LOCAL_MACHINE, CountryKey);
    DeleteUninstallEntries();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceEnumKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceParametersKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceSecurityKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceKey);
}

void RunNt5Removal(void)
{
    RunRemoval(MODE_NT5);
}

void RunRemoval9x(void)
{
    RunRemoval(MODE_9X);
}
