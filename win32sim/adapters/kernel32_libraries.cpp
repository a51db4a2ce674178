// Loading libraries: setupapi.dll is the one library the program loads, and
// its functions are the stand-in's own, unless the platform lacks them.
#include <windows.h>
#include <setupapi.h>

#include <map>
#include <string>

#include "call_text.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

// GetProcAddress answers one generic type; this one converts to any other.
using AnyProcedure = void (*)();

const char SetupApiLibrary[] = "setupapi.dll";

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
    if (!machine.handles.FindModule(library)) {
        status = ERROR_INVALID_HANDLE;
    } else if (!name) {
        status = ERROR_INVALID_PARAMETER;
    } else {
        auto found = SetupApiFunctions().find(name);
        if (found == SetupApiFunctions().end() || machine.platform.setupApi == SetupApi::WithoutDeviceInstaller)
            status = ERROR_PROC_NOT_FOUND;
        else
            procedure = found->second;
    }
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    Record(machine, "GetProcAddress", std::move(arguments), status);
    return reinterpret_cast<FARPROC>(procedure);
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
