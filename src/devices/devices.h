// Device removal: the product's device keys under an enumerator, and the
// hand-over of their instances to the platform's device installer.
#ifndef QALM_DEVICES_H
#define QALM_DEVICES_H

#include <windows.h>
#include <setupapi.h>

// TRUE when name contains one of the patterns (case-sensitive); the list ends
// with a null entry.
BOOL MatchesDeviceId(const char* name, const char* const* patterns);

// ERROR_SUCCESS when the mode's scan would hand the instance at instancePath
// (relative to HKEY_LOCAL_MACHINE) to the installer: under MODE_NT4 only an
// installed one, with the class value; otherwise the reason it would not.
LONG QueryInstalledInstance(int mode, const char* instancePath, const char* classValueName);

// The device installer's functions, found in SetupApiLibrary at run time.
typedef HDEVINFO(WINAPI* CREATE_DEVICE_INFO_LIST)(const GUID* classGuid, HWND owner);
typedef BOOL(WINAPI* OPEN_DEVICE_INFO)(HDEVINFO set, PCSTR instanceId, HWND owner, DWORD flags,
                                       PSP_DEVINFO_DATA record);
typedef BOOL(WINAPI* CALL_CLASS_INSTALLER)(DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA record);
typedef BOOL(WINAPI* DESTROY_DEVICE_INFO_LIST)(HDEVINFO set);

typedef struct DEVICE_INSTALLER {
    HMODULE library;
    CREATE_DEVICE_INFO_LIST CreateDeviceInfoList;
    OPEN_DEVICE_INFO OpenDeviceInfo;
    CALL_CLASS_INSTALLER CallClassInstaller;
    DESTROY_DEVICE_INFO_LIST DestroyDeviceInfoList;
} DEVICE_INSTALLER;

// A set holding the instance at instancePath (relative to HKEY_LOCAL_MACHINE)
// with record filled in, or INVALID_HANDLE_VALUE; the caller destroys the set.
// Only MODE_NT4 and MODE_NT5 hand instances over.
HDEVINFO OpenDeviceInstance(const DEVICE_INSTALLER* installer, int mode, HWND owner, const char* instancePath,
                            const char* classValueName, SP_DEVINFO_DATA* record);
// Loads the installer, hands the instance to it and frees it again. Without
// setupapi.dll or its functions the instance stays, like any other refusal.
void RemoveDeviceInstance(int mode, const char* instancePath);

// Hands the first instance of every matching device key under the enumerator
// key to RemoveDeviceInstance.
void ScanDeviceKeys(int mode, const char* enumeratorPath, const char* const* patterns);

#endif
