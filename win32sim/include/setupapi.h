// The subset of <setupapi.h> that the uninstaller uses.
#pragma once

#include <windows.h>

typedef PVOID HDEVINFO;
typedef UINT DI_FUNCTION;

typedef struct _SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
} SP_DEVINFO_DATA, *PSP_DEVINFO_DATA;

#define DIF_REMOVE 0x00000005
#define ERROR_NO_SUCH_DEVINST ((DWORD)0xE000020B)
#define ERROR_IN_WOW64 ((DWORD)0xE0000235)
#define ERROR_INVALID_USER_BUFFER 1784L

extern "C" {

HDEVINFO WINAPI SetupDiCreateDeviceInfoList(const GUID* classGuid, HWND parent);
BOOL WINAPI SetupDiOpenDeviceInfoA(HDEVINFO set, PCSTR instanceId, HWND parent, DWORD flags, PSP_DEVINFO_DATA record);
BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA record);
BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set);

}  // extern "C"
