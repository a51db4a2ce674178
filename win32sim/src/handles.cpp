#include <cstdio>

#include "win32sim/handles.h"

namespace win32sim {

namespace {

template <class Table>
auto* FindIn(Table& table, const void* handle)
{
    auto it = table.find(reinterpret_cast<uintptr_t>(handle));
    return it == table.end() ? nullptr : &it->second;
}

}  // namespace

uintptr_t Handles::NextValue()
{
    uintptr_t value = nextValue_;
    nextValue_ += 4;  // aligned like the platform's, never reused
    return value;
}

HKEY Handles::AddKey(KeyHandle handle)
{
    handle.name = "h" + std::to_string(++keysHandedOut_);
    uintptr_t value = NextValue();
    keys_.emplace(value, std::move(handle));
    return reinterpret_cast<HKEY>(value);
}

KeyHandle* Handles::FindKey(HKEY handle) { return FindIn(keys_, handle); }

bool Handles::CloseKey(HKEY handle) { return keys_.erase(reinterpret_cast<uintptr_t>(handle)) == 1; }

SC_HANDLE Handles::AddService(ServiceHandle handle)
{
    handle.name =
        handle.isManager ? "sc" + std::to_string(++managersHandedOut_) : "svc" + std::to_string(++servicesHandedOut_);
    uintptr_t value = NextValue();
    services_.emplace(value, std::move(handle));
    return reinterpret_cast<SC_HANDLE>(value);
}

ServiceHandle* Handles::FindService(SC_HANDLE handle) { return FindIn(services_, handle); }

bool Handles::CloseService(SC_HANDLE handle) { return services_.erase(reinterpret_cast<uintptr_t>(handle)) == 1; }

HDEVINFO Handles::AddSet(DeviceInfoSet set)
{
    set.name = "set" + std::to_string(++setsHandedOut_);
    uintptr_t value = NextValue();
    sets_.emplace(value, std::move(set));
    return reinterpret_cast<HDEVINFO>(value);
}

DeviceInfoSet* Handles::FindSet(HDEVINFO handle) { return FindIn(sets_, handle); }

bool Handles::CloseSet(HDEVINFO handle) { return sets_.erase(reinterpret_cast<uintptr_t>(handle)) == 1; }

HMODULE Handles::AddModule(ModuleHandle module)
{
    module.name = "mod" + std::to_string(++modulesHandedOut_);
    uintptr_t value = NextValue();
    modules_.emplace(value, std::move(module));
    return reinterpret_cast<HMODULE>(value);
}

ModuleHandle* Handles::FindModule(HMODULE handle) { return FindIn(modules_, handle); }

bool Handles::CloseModule(HMODULE handle) { return modules_.erase(reinterpret_cast<uintptr_t>(handle)) == 1; }

HANDLE Handles::StandardHandle(int descriptor)
{
    for (const auto& [value, known] : standardHandles_) {
        if (known == descriptor)
            return reinterpret_cast<HANDLE>(value);
    }
    uintptr_t value = NextValue();
    standardHandles_.emplace(value, descriptor);
    return reinterpret_cast<HANDLE>(value);
}

int Handles::DescriptorOf(HANDLE handle) const
{
    auto it = standardHandles_.find(reinterpret_cast<uintptr_t>(handle));
    return it == standardHandles_.end() ? -1 : it->second;
}

std::string Handles::NameOf(const void* handle) const
{
    if (handle == nullptr)
        return "NULL";
    if (handle == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (handle == INVALID_HANDLE_VALUE)
        return "INVALID_HANDLE_VALUE";
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (auto it = keys_.find(value); it != keys_.end())
        return it->second.name;
    if (auto it = services_.find(value); it != services_.end())
        return it->second.name;
    if (auto it = sets_.find(value); it != sets_.end())
        return it->second.name;
    if (auto it = modules_.find(value); it != modules_.end())
        return it->second.name;
    if (auto it = standardHandles_.find(value); it != standardHandles_.end())
        return it->second == 1 ? "stdout" : "stderr";
    char hex[2 + 2 * sizeof(value) + 1];
    std::snprintf(hex, sizeof(hex), "0x%llx", static_cast<unsigned long long>(value));
    return hex;
}

}  // namespace win32sim
