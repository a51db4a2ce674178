#include <cstdio>
#include <cstdlib>
#include <vector>

#include "win32sim/machine.h"

namespace win32sim {

namespace {

// The program is single-threaded; so are the scopes of its tests.
std::vector<Machine*>& ScopeStack()
{
    static std::vector<Machine*> stack;
    return stack;
}

}  // namespace

Machine::Machine(Platform platform) : platform(std::move(platform))
{
    localMachine_.access = KEY_ALL_ACCESS;
    localMachine_.name = "HKLM";
}

size_t Machine::OpenHandleCount() const { return handles.OpenCount(); }

std::vector<std::string> Machine::RemovedDeviceIds() const
{
    std::vector<std::string> ids;
    for (const DeviceRemoval& removal : removedDevices)
        ids.push_back(removal.instanceId);
    return ids;
}

KeyHandle* Machine::FindKeyHandle(HKEY handle)
{
    if (handle == HKEY_LOCAL_MACHINE) {
        localMachine_.key = registry.SharedRoot();
        return &localMachine_;
    }
    return handles.FindKey(handle);
}

MachineScope::MachineScope(Machine& machine) { ScopeStack().push_back(&machine); }

MachineScope::~MachineScope() { ScopeStack().pop_back(); }

Machine& CurrentMachine()
{
    if (ScopeStack().empty()) {
        std::fprintf(stderr, "win32sim: a Win32 function was called outside any MachineScope\n");
        std::abort();
    }
    return *ScopeStack().back();
}

}  // namespace win32sim
