// The in-memory Windows machine behind the stand-in's Win32 calls: the
// registry under HKEY_LOCAL_MACHINE, the services' run state, the platform
// version, the program's folder and a journal of every call the program made.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
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

// A program CreateProcessA can start: its entry runs on the same machine, as
// a process of its bitness, and answers the exit code.
struct ProgramImage {
    int bits = 32;
    std::function<int()> entry;
};

// The folder the running program was started from, and the files beside it.
struct ProgramFolder {
    std::string path = "C:\\Program Files\\Tools";     // no trailing backslash
    std::string runningProgram = "program.exe";        // GetModuleFileNameA(NULL) names path\runningProgram
    std::set<std::string, CaseInsensitiveLess> files;  // the others in it
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

    // The process that makes the calls: 32 bits, or 64 while CreateProcessA
    // runs a 64-bit program (platform.wow64 only).
    int processBits = 32;
    ProgramFolder programFolder;
    // What the files of the program folder run, by name; whoever runs the
    // program registers them. A file without one is no program.
    std::map<std::string, ProgramImage, CaseInsensitiveLess> programImages;

    // 9x semantics (platform id 1): no access checks, recursive RegDeleteKeyA.
    bool Is9x() const { return platform.platformId == VER_PLATFORM_WIN32_WINDOWS; }
    // A 32-bit process on 64-bit Windows.
    bool InWow64() const { return platform.wow64 && processBits == 32; }

    // Registry keys, service handles, device-information sets, libraries,
    // processes and threads still open.
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
