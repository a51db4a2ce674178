#include <windows.h>

#include "entry/entry.h"
#include "entry/handover.h"
#include "platform/platform_mode.h"
#include "sequences/sequences.h"
#include "text/text.h"

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

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    switch (DetectPlatformMode()) {
    case MODE_NT4:
        if (StopAndDeleteService())
            RunNt4Removal();
        break;
    case MODE_NT5:
        // Only NT 5 has a 64-bit Windows on which the twin removes anything.
#if !defined(_WIN64)
        HandOverToNativeTwin();
#endif
        RunNt5Removal();
        break;
    case MODE_9X:
        RunRemoval9x();
        break;
    case MODE_UNSUPPORTED:
        WriteToStandardOutput(UnsupportedPlatformMessage);
        break;
    default:
        break;
    }
    return EXIT_CODE;
}
