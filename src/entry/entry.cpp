#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "entry/entry.h"
#include "sequences/sequences.h"

int PlatformMode = MODE_NONE;

void DetectPlatformMode(void)
{
    OSVERSIONINFOA info;
    memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    // A failed query leaves the platform unknown: nothing is removed.
    if (!GetVersionExA(&info))
        return;

    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        PlatformMode = MODE_9X;
    } else if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (info.dwMajorVersion <= 4)
            PlatformMode = MODE_NT4;
        else if (info.dwMajorVersion == 5)
            PlatformMode = MODE_NT5;
        // NT 6 and later manage the modem themselves: the mode stays MODE_NONE.
    } else {
        PlatformMode = MODE_UNSUPPORTED;
        printf("This program requires WINDOWS 95 or NT");
        fflush(stdout);
    }
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    DetectPlatformMode();

    switch (PlatformMode) {
    case MODE_NT4:
        if (StopAndDeleteService())
            RunNt4Removal();
        break;
    case MODE_NT5:
    case MODE_9X:  // the shared sequence holds the 9x hardware-tree cleanup
        RunNt5Removal();
        break;
    default:
        break;
    }
    return EXIT_CODE;
}
