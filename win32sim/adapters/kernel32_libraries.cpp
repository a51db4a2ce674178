// Loading libraries: setupapi.dll is the one library the program loads, and
// its functions are the stand-in's own, unless the platform lacks them.
// kernel32.dll is loaded with every process; of its functions only the one
// that not every platform has is looked up.
#include <windows.h>
#include <setupapi.h>

#include <map>
#include <string>

#include "call_text.h"
#include "rules/wow64.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

// GetProcAddress answers one generic type; this one converts to any other.
using AnyProcedure = void (*)();

const char SetupApiLibrary[] = "setupapi.dll";
const char Kernel32Library[] = "kernel32.dll";

// Names are matched with their letter case, as the platform does.
const std::map<std::string, AnyProcedure>& SetupApiFunctions()
{
    static const std::map<std::string, AnyProcedure> functions = {
        {"SetupDiCreateDeviceInfoList", reinterpret_cast<AnyProcedure>(&SetupDiCreateDeviceInfoList)},
        {"SetupDiOpenDeviceInfoA", reinterpret_cast<AnyProcedure>(&SetupDiOpenDeviceInfoA)},
        {"SetupDiCallClassInstaller", reinterpret_cast<AnyProcedure>(&SetupDiCallClassInstaller)},
        {"SetupDiDestroyDeviceInfoList", reinterpret_cast<AnyProcedure>(&SetupDiDestroyDeviceInfoList)},
    };
    return functions;
}

// What library exports under name on this platform, or nullptr.
AnyProcedure FindExport(const Machine& machine, const std::string& library, const char* name)
{
    if (EqualsIgnoringCase(library, SetupApiLibrary)) {
        auto found = SetupApiFunctions().find(name);
        if (found == SetupApiFunctions().end() || machine.platform.setupApi == SetupApi::WithoutDeviceInstaller)
            return nullptr;
        return found->second;
    }
    if (EqualsIgnoringCase(library, Kernel32Library) && std::string_view(name) == "IsWow64Process" &&
        HasIsWow64Process(machine.platform))
        return reinterpret_cast<AnyProcedure>(&IsWow64Process);
    return nullptr;
}

}  // namespace

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR name)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {Quoted(name)};
    DWORD status = ERROR_SUCCESS;
    if (!name)
        status = ERROR_INVALID_PARAMETER;
    else if (!EqualsIgnoringCase(name, SetupApiLibrary) || machine.platform.setupApi == SetupApi::Missing)
        status = ERROR_MOD_NOT_FOUND;
    HMODULE library = nullptr;
    if (status == ERROR_SUCCESS)
        library = machine.handles.AddModule(ModuleHandle{name, ""});
    else
        machine.lastError = status;
    Record(machine, "LoadLibraryA", std::move(arguments), status, library ? machine.handles.NameOf(library) : "");
    return library;
}

FARPROC WINAPI GetProcAddress(HMODULE library, LPCSTR name)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(library), Quoted(name)};
    AnyProcedure procedure = nullptr;
    DWORD status = ERROR_SUCCESS;
    const ModuleHandle* module = machine.handles.FindModule(library);
    if (!module)
        status = ERROR_INVALID_HANDLE;
    else if (!name)
        status = ERROR_INVALID_PARAMETER;
    else if (!(procedure = FindExport(machine, module->library, name)))
        status = ERROR_PROC_NOT_FOUND;
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    Record(machine, "GetProcAddress", std::move(arguments), status);
    return reinterpret_cast<FARPROC>(procedure);
}

// Only the program itself (NULL) and kernel32.dll are loaded with the process.
HMODULE WINAPI GetModuleHandleA(LPCSTR name)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {Quoted(name)};
    HMODULE module = nullptr;
    DWORD status = ERROR_SUCCESS;
    if (!name)
        module = machine.handles.LoadedModule(machine.programFolder.runningProgram);
    else if (EqualsIgnoringCase(name, Kernel32Library) || EqualsIgnoringCase(name, "kernel32"))
        module = machine.handles.LoadedModule(Kernel32Library);
    else
        status = machine.lastError = ERROR_MOD_NOT_FOUND;
    Record(machine, "GetModuleHandleA", std::move(arguments), status, module ? machine.handles.NameOf(module) : "");
    return module;
}

BOOL WINAPI FreeLibrary(HMODULE library)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(library)};
    DWORD status = machine.handles.CloseModule(library) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    Record(machine, "FreeLibrary", std::move(arguments), status);
    return status == ERROR_SUCCESS;
}

}  // extern "C"
