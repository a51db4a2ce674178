#include <windows.h>

#include "check/check.h"
#include "check/check_items.h"
#include "platform/platform_mode.h"
#include "product/product.h"
#include "text/text.h"

// What RunNt4Removal and the service control manager take away. The service's
// own keys, its country settings among them, all lie below ServiceKey.
static void CheckNt4(CHECK_TALLY* tally)
{
    CheckDeviceKeys(tally, MODE_NT4, RootEnumKey, RootDeviceMarker);
    CheckKeyTree(tally, VendorSoftwareKey);
    CheckKeyTree(tally, DeviceSpecificKey);
    CheckKeyTree(tally, UninstallKeys[0]);  // the only variant's entry NT 4 removes
    CheckValue(tally, SerialCommKey, SerialCommValueName);
    CheckKeyTree(tally, ServiceKey);
}

// What RunNt5Removal takes away; on the 9x family its device scan hands
// nothing over and its hardware-tree cleanup runs instead.
static void CheckNt5(CHECK_TALLY* tally, int mode)
{
    int i;

    if (mode == MODE_NT5)
        CheckDeviceKeys(tally, mode, PciEnumKey, PciDeviceIds);
    if (mode == MODE_9X) {
        for (i = 0; i < ENUMERATOR_COUNT_9X; i++)
            CheckEnumerator9x(tally, EnumeratorNames9x[i]);
        CheckMatchingSubkeys(tally, PciEnumKey9x, PciDeviceIds9x);
        CheckMatchingSubkeys(tally, MfChildKey9x, MfDeviceIds9x);
    }
    for (i = 0; i < UNINSTALL_KEY_COUNT; i++)
        CheckKeyTree(tally, UninstallKeys[i]);
    CheckKeyTree(tally, ServiceKey);
}

// Detection leaves MODE_NONE both on NT 6 and later and when the query fails.
static BOOL VersionQueryFails(void)
{
    OSVERSIONINFOA info;

    ClearBytes(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    return !GetVersionExA(&info);
}

int RunCheck(int mode)
{
    CHECK_TALLY tally = {0, 0, 0};

    switch (mode) {
    case MODE_NT4:
        CheckNt4(&tally);
        break;
    case MODE_NT5:
    case MODE_9X:
        CheckNt5(&tally, mode);
        break;
    case MODE_UNSUPPORTED:
        WriteLine(STD_OUTPUT_HANDLE, "result: clean (the uninstaller removes nothing on this platform)");
        return CHECK_CLEAN;
    default:
        if (VersionQueryFails()) {
            WriteLine(STD_OUTPUT_HANDLE, "result: unknown (the Windows version query failed)");
            return CHECK_UNKNOWN;
        }
        WriteLine(STD_OUTPUT_HANDLE, "result: clean (the uninstaller removes nothing on Windows Vista and later)");
        return CHECK_CLEAN;
    }
    return ReportSummary(&tally);
}
