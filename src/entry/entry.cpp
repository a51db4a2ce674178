#include <windows.h>

#include "entry/entry.h"
#include "sequences/sequences.h"
#include "text/text.h"

int PlatformMode = MODE_NONE;

static const char UnsupportedPlatformMessage[] = "This program requires WINDOWS 95 or NT";

// The text as it is, with no line break after it.
static void WriteToStandardOutput(const char* text)
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written;

    if (output == NULL || output == INVALID_HANDLE_VALUE)
        return;
    WriteFile(output, text, (DWORD)TextLength(text), &written, NULL);
}

void DetectPlatformMode(void)
{
    OSVERSIONINFOA info;
    ClearBytes(&info, sizeof(info));
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
        WriteToStandardOutput(UnsupportedPlatformMessage);
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
