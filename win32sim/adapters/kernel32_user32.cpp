// The version query, the focus window and the thread's last error.
#include <windows.h>

#include <cstring>

#include "call_text.h"
#include "win32sim/machine.h"

using namespace win32sim;

extern "C" {

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info)
{
    Machine& machine = CurrentMachine();
    const Platform& platform = machine.platform;
    std::vector<std::string> arguments = {info ? Decimal(info->dwOSVersionInfoSize) : "NULL"};
    DWORD status = ERROR_SUCCESS;
    if (!info)
        status = ERROR_INVALID_PARAMETER;
    else if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        status = ERROR_INSUFFICIENT_BUFFER;
    else if (platform.versionQueryFails)
        status = ERROR_INVALID_PARAMETER;
    std::string output;
    if (status == ERROR_SUCCESS) {
        info->dwMajorVersion = platform.majorVersion;
        info->dwMinorVersion = platform.minorVersion;
        info->dwBuildNumber = platform.buildNumber;
        info->dwPlatformId = platform.platformId;
        std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
        output =
            Decimal(platform.platformId) + "." + Decimal(platform.majorVersion) + "." + Decimal(platform.minorVersion);
    } else {
        machine.lastError = status;
    }
    Record(machine, "GetVersionExA", std::move(arguments), status, output);
    return status == ERROR_SUCCESS;
}

// The program creates no window, so no window of its thread has the focus.
HWND WINAPI GetFocus(void)
{
    Record(CurrentMachine(), "GetFocus", {}, ERROR_SUCCESS, "NULL");
    return nullptr;
}

DWORD WINAPI GetLastError(void)
{
    Machine& machine = CurrentMachine();
    Record(machine, "GetLastError", {}, ERROR_SUCCESS, Decimal(machine.lastError));
    return machine.lastError;
}

void WINAPI SetLastError(DWORD error)
{
    Machine& machine = CurrentMachine();
    machine.lastError = error;
    Record(machine, "SetLastError", {Decimal(error)}, ERROR_SUCCESS);
}

}  // extern "C"
