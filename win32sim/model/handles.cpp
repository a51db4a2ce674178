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

template <class Table>
bool EraseFrom(Table& table, const void* handle)
{
    return table.erase(reinterpret_cast<uintptr_t>(handle)) == 1;
}

}  // namespace

uintptr_t Handles::NextValue()
{
    uintptr_t value = nextValue_;
    nextValue_ += 4;  // aligned like the platform's, never reused
    return value;
}

template <class Handle, class Item>
Handle Handles::Add(std::map<uintptr_t, Item>& table, Item item, std::string name)
{
    item.name = std::move(name);
    uintptr_t value = NextValue();
    table.emplace(value, std::move(item));
    return reinterpret_cast<Handle>(value);
}

HKEY Handles::AddKey(KeyHandle handle)
{
    return Add<HKEY>(keys_, std::move(handle), "h" + std::to_string(++keysHandedOut_));
}

KeyHandle* Handles::FindKey(HKEY handle) { return FindIn(keys_, handle); }

bool Handles::CloseKey(HKEY handle) { return EraseFrom(keys_, handle); }

SC_HANDLE Handles::AddService(ServiceHandle handle)
{
    std::string name =
        handle.isManager ? "sc" + std::to_string(++managersHandedOut_) : "svc" + std::to_string(++servicesHandedOut_);
    return Add<SC_HANDLE>(services_, std::move(handle), std::move(name));
}

ServiceHandle* Handles::FindService(SC_HANDLE handle) { return FindIn(services_, handle); }

bool Handles::CloseService(SC_HANDLE handle) { return EraseFrom(services_, handle); }

HDEVINFO Handles::AddSet(DeviceInfoSet set)
{
    return Add<HDEVINFO>(sets_, std::move(set), "set" + std::to_string(++setsHandedOut_));
}

DeviceInfoSet* Handles::FindSet(HDEVINFO handle) { return FindIn(sets_, handle); }

bool Handles::CloseSet(HDEVINFO handle) { return EraseFrom(sets_, handle); }

HMODULE Handles::AddModule(ModuleHandle module)
{
    return Add<HMODULE>(modules_, std::move(module), "mod" + std::to_string(++modulesHandedOut_));
}

ModuleHandle* Handles::FindModule(HMODULE handle)
{
    ModuleHandle* module = FindIn(modules_, handle);
    return module ? module : FindIn(loadedModules_, handle);
}

bool Handles::CloseModule(HMODULE handle) { return EraseFrom(modules_, handle); }

HMODULE Handles::LoadedModule(const std::string& library)
{
    for (const auto& [value, module] : loadedModules_) {
        if (module.library == library)
            return reinterpret_cast<HMODULE>(value);
    }
    return Add<HMODULE>(loadedModules_, ModuleHandle{library, ""}, library);
}

HANDLE Handles::AddProcess(ProcessHandle process)
{
    std::string name = process.isThread ? "thread" + std::to_string(++threadsHandedOut_)
                                        : "process" + std::to_string(++processesHandedOut_);
    return Add<HANDLE>(processes_, std::move(process), std::move(name));
}

ProcessHandle* Handles::FindProcess(HANDLE handle) { return FindIn(processes_, handle); }

bool Handles::CloseProcess(HANDLE handle) { return EraseFrom(processes_, handle); }

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
    if (auto it = loadedModules_.find(value); it != loadedModules_.end())
        return it->second.name;
    if (auto it = processes_.find(value); it != processes_.end())
        return it->second.name;
    if (auto it = standardHandles_.find(value); it != standardHandles_.end())
        return it->second == 1 ? "stdout" : "stderr";
    char hex[2 + 2 * sizeof(value) + 1];
    std::snprintf(hex, sizeof(hex), "0x%llx", static_cast<unsigned long long>(value));
    return hex;
}

}  // namespace win32sim
