// The handles a machine hands out: registry keys, service-manager and service
// handles, device-information sets, loaded libraries, processes and threads,
// standard output. Each has a value no other handle of the
// machine ever had, whatever its kind, and a short name for the journal.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32sim/registry.h"

namespace win32sim {

struct KeyHandle {
    std::shared_ptr<RegKey> key;  // kept alive after deletion, to answer ERROR_KEY_DELETED
    REGSAM access = 0;            // the rights granted at the open
    std::string path;             // as the program spelled it, relative to HKLM, no trailing backslash
    std::string name;             // "h1"; "HKLM" for the predefined key
};

struct ServiceHandle {
    bool isManager = false;
    std::string service;  // the name as opened; "" for the manager
    DWORD access = 0;
    std::string name;  // "sc1", "svc1"
};

struct DeviceInfoSet {
    // The instance ids opened into the set; a device record names its entry by
    // index + 1 in its Reserved field.
    std::vector<std::string> devices;
    std::string name;  // "set1"
};

struct ModuleHandle {
    std::string library;  // as the program named it
    std::string name;     // "mod1"
};

// A process CreateProcessA started, or its first thread. The stand-in runs a
// process to its end before handing its handles out.
struct ProcessHandle {
    bool isThread = false;
    DWORD exitCode = 0;
    std::string name;  // "process1", "thread1"
};

class Handles {
public:
    HKEY AddKey(KeyHandle handle);    // names it
    KeyHandle* FindKey(HKEY handle);  // opened keys only, not HKLM
    bool CloseKey(HKEY handle);       // false when not open

    SC_HANDLE AddService(ServiceHandle handle);
    ServiceHandle* FindService(SC_HANDLE handle);
    bool CloseService(SC_HANDLE handle);

    HDEVINFO AddSet(DeviceInfoSet set);
    DeviceInfoSet* FindSet(HDEVINFO handle);
    bool CloseSet(HDEVINFO handle);

    HMODULE AddModule(ModuleHandle module);
    ModuleHandle* FindModule(HMODULE handle);
    bool CloseModule(HMODULE handle);
    // A library loaded with the process (kernel32.dll), as GetModuleHandleA
    // answers it: one value for the machine's lifetime, never closed, named
    // by the library ("kernel32.dll").
    HMODULE LoadedModule(const std::string& library);

    HANDLE AddProcess(ProcessHandle process);
    ProcessHandle* FindProcess(HANDLE handle);
    bool CloseProcess(HANDLE handle);

    // The process's standard output (descriptor 1, named "stdout") or error
    // (2, "stderr"): one value each for the machine's lifetime, handed out on
    // the first request, never closed.
    HANDLE StandardHandle(int descriptor);
    int DescriptorOf(HANDLE handle) const;  // -1 for any other handle

    // The journal's name for any handle value: HKLM, NULL, INVALID_HANDLE_VALUE,
    // an open handle's name, or the value in hex.
    std::string NameOf(const void* handle) const;
    size_t OpenCount() const
    {
        return keys_.size() + services_.size() + sets_.size() + modules_.size() + processes_.size();
    }

private:
    uintptr_t NextValue();
    // Files the item under the next value, with the journal's name for it.
    template <class Handle, class Item>
    Handle Add(std::map<uintptr_t, Item>& table, Item item, std::string name);

    std::map<uintptr_t, KeyHandle> keys_;
    std::map<uintptr_t, ServiceHandle> services_;
    std::map<uintptr_t, DeviceInfoSet> sets_;
    std::map<uintptr_t, ModuleHandle> modules_;
    std::map<uintptr_t, ModuleHandle> loadedModules_;
    std::map<uintptr_t, ProcessHandle> processes_;
    std::map<uintptr_t, int> standardHandles_;  // value -> descriptor
    uintptr_t nextValue_ = 0x1000;
    int keysHandedOut_ = 0;
    int managersHandedOut_ = 0;
    int servicesHandedOut_ = 0;
    int setsHandedOut_ = 0;
    int modulesHandedOut_ = 0;
    int processesHandedOut_ = 0;
    int threadsHandedOut_ = 0;
};

}  // namespace win32sim
