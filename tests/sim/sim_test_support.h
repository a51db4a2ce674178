// Small helpers for writing a machine as its registry would read in an export.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "win32sim/machine.h"

namespace simtest {

inline win32sim::Platform ProfileNamed(std::string_view name) { return win32sim::FindPlatform(name).value(); }

// A machine that the Win32 calls act on for the object's lifetime.
struct ActiveMachine {
    explicit ActiveMachine(std::string_view profile) : machine(ProfileNamed(profile)), scope(machine) {}
    win32sim::Machine machine;
    win32sim::MachineScope scope;
};

// Every path becomes a key, with the keys on its way.
inline void AddKeys(win32sim::Registry& registry, std::initializer_list<std::string_view> paths)
{
    for (std::string_view path : paths)
        registry.Create(path);
}

inline std::vector<std::string> SubkeyNames(const win32sim::RegKey& key)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < key.SubkeyCount(); ++i)
        names.emplace_back(key.SubkeyAt(i).Name());
    return names;
}

inline bool KeyExists(const win32sim::Machine& machine, std::string_view path)
{
    return machine.registry.Find(path) != nullptr;
}

// Opens HKLM\path; nullptr when the open fails.
inline HKEY Open(const char* path, REGSAM access)
{
    HKEY key = nullptr;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace simtest
