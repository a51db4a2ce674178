#include <windows.h>

#include "devices/devices.h"
#include "entry/entry.h"
#include "product/product.h"
#include "registry/key_tree.h"
#include "sequences/sequences.h"

// The 9x family runs this sequence too; only it has a hardware tree to clean.
static void CleanEnumerators9x(void)
{
    int i;

    if (PlatformMode != MODE_9X)
        return;
    for (i = 0; i < ENUMERATOR_COUNT_9X; i++)
        CleanEnumerator9x(HKEY_LOCAL_MACHINE, EnumeratorNames9x[i]);
}

static void DeleteUninstallEntries(void)
{
    int i;

    for (i = 0; i < UNINSTALL_KEY_COUNT; i++)
        DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKeys[i]);
}

void RunNt5Removal(void)
{
    ScanDeviceKeys(PciEnumKey, PciDeviceIds);
    CleanEnumerators9x();
    ClearChildKeys(HKEY_LOCAL_MACHINE, CountryKey);
    DeleteUninstallEntries();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceEnumKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceParametersKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceSecurityKey);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, ServiceKey);
}
