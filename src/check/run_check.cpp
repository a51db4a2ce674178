#include <windows.h>

#include "check/check.h"
#include "check/check_items.h"
#include "platform/platform_mode.h"
#include "platform/wow64.h"
#include "product/product.h"
#include "text/text.h"

// What RunNt4Removal and the service control manager take away. The service's
// own keys, its country settings among them, all lie below ServiceKey.
static void CheckNt4(CHECK_TALLY* tally)
{
    CheckDeviceKeys(tally, MODE_NT4, RootEnumKey, RootDeviceMarker);
    CheckKeyTree(tally, VendorSoftwareKey, 0);
    CheckKeyTree(tally, DeviceSpecificKey, 0);
    CheckKeyTree(tally, UninstallKeys[0], 0);  // the only variant's entry NT 4 removes
    CheckValue(tally, SerialCommKey, SerialCommValueName);
    CheckKeyTree(tally, ServiceKey, 0);
}

// 64-bit Windows keeps the uninstall entries of 32-bit and 64-bit programs
// apart, and each build of the uninstaller removes those of its own view.
// The flags that name a view only once the platform has views: Windows 2000
// refuses rights it does not know.
static BOOL ReadsBothViews(void)
{
#if defined(_WIN64)
    return TRUE;  // a 64-bit program runs on 64-bit Windows alone
#else
    return RunsUnderWow64();
#endif
}

static void CheckUninstallEntries(CHECK_TALLY* tally, REGSAM view)
{
    int i;

    for (i = 0; i < UNINSTALL_KEY_COUNT; i++)
        CheckKeyTree(tally, UninstallKeys[i], view);
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
    if (mode == MODE_NT5 && ReadsBothViews()) {
        CheckUninstallEntries(tally, KEY_WOW64_64KEY);
        CheckUninstallEntries(tally, KEY_WOW64_32KEY);
    } else {
        CheckUninstallEntries(tally, 0);
    }
    CheckKeyTree(tally, ServiceKey, 0);
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
