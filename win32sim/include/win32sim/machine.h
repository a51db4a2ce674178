// The in-memory Windows machine behind the stand-in's Win32 calls: the
// registry under HKEY_LOCAL_MACHINE, the services' run state, the platform
// version and a journal of every call the program made.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32sim/handles.h"
#include "win32sim/journal.h"
#include "win32sim/platform.h"
#include "win32sim/registry.h"

namespace win32sim {

// Run state and planted faults of one service. The service itself is the key
// SYSTEM\CurrentControlSet\Services\NAME holding a "Type" value.
struct ServiceState {
    bool running = false;
    bool markedForDeletion = false;
    int openHandles = 0;
    bool refusesOpen = false;      // OpenServiceA answers ERROR_ACCESS_DENIED
    bool refusesStop = false;      // ControlService answers ERROR_ACCESS_DENIED
    bool refusesDeletion = false;  // DeleteService answers ERROR_ACCESS_DENIED
    // What the manager did, for reports.
    bool stoppedByRequest = false;  // a stop request stopped it
    bool keysRemoved = false;       // marked, stopped and unreferenced: its key tree went
};

// What one remove request of the class installer took away.
struct DeviceRemoval {
    std::string instanceId;  // as the program named it
    // The top of each subtree that went, as a path under HKEY_LOCAL_MACHINE,
    // in the order removed: the driver key if one went, then the instance key,
    // or the device key above it when that went too.
    std::vector<std::string> removedKeys;
};

class Machine {
public:
    explicit Machine(Platform platform);

    Platform platform;
    Registry registry;  // may be replaced whole (loaded elsewhere, moved in)
    Journal journal;

    // Service run state by name (case-insensitive); absent means stopped, no faults.
    std::map<std::string, ServiceState, CaseInsensitiveLess> services;
    bool managerRefusesOpen = false;  // OpenSCManagerA answers ERROR_ACCESS_DENIED

    // SetupDiCreateDeviceInfoList answers INVALID_HANDLE_VALUE.
    bool deviceInfoListFails = false;
    // The remove requests the class installer carried out, in order.
    std::vector<DeviceRemoval> removedDevices;
    std::vector<std::string> RemovedDeviceIds() const;  // their instance ids

    DWORD lastError = ERROR_SUCCESS;  // GetLastError; one thread, one value
    Handles handles;

    // 9x semantics (platform id 1): no access checks, recursive RegDeleteKeyA.
    bool Is9x() const { return platform.platformId == VER_PLATFORM_WIN32_WINDOWS; }

    // Registry keys, service handles and device-information sets still open.
    size_t OpenHandleCount() const;

    // An open key handle or HKEY_LOCAL_MACHINE (full access to the current
    // root); nullptr for anything else.
    KeyHandle* FindKeyHandle(HKEY handle);

private:
    KeyHandle localMachine_;
};

// Makes a machine the one the Win32 calls act on, for the scope's lifetime.
class MachineScope {
public:
    explicit MachineScope(Machine& machine);
    ~MachineScope();
    MachineScope(const MachineScope&) = delete;
    MachineScope& operator=(const MachineScope&) = delete;
};

// The machine of the innermost scope; calling a Win32 function without one aborts.
Machine& CurrentMachine();

}  // namespace win32sim
