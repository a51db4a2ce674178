#include <windows.h>

#include "platform/platform_mode.h"
#include "text/text.h"

int DetectPlatformMode(void)
{
    OSVERSIONINFOA info;
    ClearBytes(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    // A failed query leaves the platform unknown: nothing is removed.
    if (!GetVersionExA(&info))
        return MODE_NONE;

    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return MODE_9X;
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return MODE_UNSUPPORTED;
    if (info.dwMajorVersion <= 4)
        return MODE_NT4;
    if (info.dwMajorVersion == 5)
        return MODE_NT5;
    // NT 6 and later manage the modem themselves.
    return MODE_NONE;
}
