#include <windows.h>

#include "devices/devices.h"
#include "text/text.h"

BOOL MatchesDeviceId(const char* name, const char* const* patterns)
{
    for (; *patterns != NULL; patterns++) {
        if (FindSubstring(name, *patterns) != NULL)
            return TRUE;
    }
    return FALSE;
}
