// Processes: the running program's own file name, whether it runs under
// WOW64, and starting another program of its folder and waiting for it.
//
// The stand-in runs a started program to its end inside CreateProcessA,
// after recording that call, so its calls stand in the journal between
// CreateProcessA and the wait; the handles it hands back name a process that
// has ended. A 64-bit program runs with the machine's process bitness at 64.
#include <windows.h>

#include <cstring>

#include "call_text.h"
#include "rules/wow64.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

// GetCurrentProcess's pseudo-handle, as the platform defines it.
HANDLE const CurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

std::string ProcessArgument(const Machine& machine, HANDLE process)
{
    return process == CurrentProcess ? "GetCurrentProcess()" : machine.handles.NameOf(process);
}

std::string RunningProgramPath(const Machine& machine)
{
    return machine.programFolder.path + "\\" + machine.programFolder.runningProgram;
}

// The program CreateProcessA would start for path, or the error it answers.
DWORD FindProgram(const Machine& machine, const char* path, const ProgramImage*& image)
{
    image = nullptr;
    const std::string_view full(path);
    const size_t separator = full.rfind('\\');
    if (separator == std::string_view::npos ||
        !EqualsIgnoringCase(full.substr(0, separator), machine.programFolder.path))
        return ERROR_FILE_NOT_FOUND;  // only the program's own folder is modelled
    const std::string_view name = full.substr(separator + 1);
    if (!machine.programFolder.files.count(name))
        return ERROR_FILE_NOT_FOUND;
    auto found = machine.programImages.find(name);
    // A 32-bit Windows cannot run a 64-bit image: "not a valid Win32 application".
    if (found == machine.programImages.end() || !found->second.entry ||
        (found->second.bits == 64 && !machine.platform.wow64))
        return ERROR_BAD_EXE_FORMAT;
    image = &found->second;
    return ERROR_SUCCESS;
}

std::string StartupArgument(const STARTUPINFOA* startup)
{
    if (!startup)
        return "NULL";
    return "{cb " + Decimal(startup->cb) + ", flags " + Hex(startup->dwFlags) + ", show " +
           Decimal(startup->wShowWindow) + "}";
}

}  // namespace

extern "C" {

// Up to NT 5.2 a name that does not fit is cut to size characters with no
// terminator, and the call still succeeds; later versions end it with one
// and answer ERROR_INSUFFICIENT_BUFFER. Either way the result is size.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(module), Decimal(size)};
    const std::string name = RunningProgramPath(machine);
    const ModuleHandle* found = module ? machine.handles.FindModule(module) : nullptr;
    DWORD status = ERROR_SUCCESS;
    DWORD length = 0;
    std::string copied;
    if (module && !(found && found->library == machine.programFolder.runningProgram)) {
        status = ERROR_INVALID_HANDLE;  // other modules' files are not modelled
    } else if (!path && size > 0) {
        status = ERROR_INVALID_PARAMETER;
    } else if (name.size() < size) {
        copied = name;
        length = static_cast<DWORD>(name.size());
        std::memcpy(path, name.c_str(), name.size() + 1);
    } else if (size > 0) {
        const bool terminates = machine.platform.majorVersion >= 6;
        copied = name.substr(0, terminates ? size - 1 : size);
        std::memcpy(path, copied.data(), copied.size());
        if (terminates) {
            path[size - 1] = '\0';
            status = ERROR_INSUFFICIENT_BUFFER;
        }
        length = size;
    }
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    Record(machine, "GetModuleFileNameA", std::move(arguments), status, length > 0 ? "\"" + copied + "\"" : "");
    return length;
}

HANDLE WINAPI GetCurrentProcess(void)
{
    Record(CurrentMachine(), "GetCurrentProcess", {}, ERROR_SUCCESS, "GetCurrentProcess()");
    return CurrentProcess;
}

BOOL WINAPI IsWow64Process(HANDLE process, PBOOL wow64)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {ProcessArgument(machine, process)};
    DWORD status = ERROR_SUCCESS;
    if (!HasIsWow64Process(machine.platform))
        status = ERROR_CALL_NOT_IMPLEMENTED;  // found only by name, where it exists
    else if (process != CurrentProcess && !machine.handles.FindProcess(process))
        status = ERROR_INVALID_HANDLE;
    else if (!wow64)
        status = ERROR_INVALID_PARAMETER;
    else  // a process the stand-in started has ended: only the caller's answer matters
        *wow64 = process == CurrentProcess && machine.InWow64();
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    Record(machine, "IsWow64Process", std::move(arguments), status,
           status == ERROR_SUCCESS ? (*wow64 ? "TRUE" : "FALSE") : "");
    return status == ERROR_SUCCESS;
}

// Starts a program of the running program's folder, named by its full path
// in applicationName; the command line is handed over and not parsed.
BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                           LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                           LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                           LPPROCESS_INFORMATION processInformation)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {Quoted(applicationName),
                                          Quoted(commandLine),
                                          processAttributes ? "&attributes" : "NULL",
                                          threadAttributes ? "&attributes" : "NULL",
                                          Decimal(static_cast<unsigned>(inheritHandles)),
                                          Hex(creationFlags),
                                          environment ? "&environment" : "NULL",
                                          Quoted(currentDirectory),
                                          StartupArgument(startupInfo)};
    const ProgramImage* image = nullptr;
    DWORD status;
    if (!applicationName || !startupInfo || !processInformation || startupInfo->cb != sizeof(STARTUPINFOA))
        status = ERROR_INVALID_PARAMETER;
    else
        status = FindProgram(machine, applicationName, image);
    if (status != ERROR_SUCCESS) {
        machine.lastError = status;
        Record(machine, "CreateProcessA", std::move(arguments), status, "", applicationName ? applicationName : "");
        return FALSE;
    }

    processInformation->hProcess = machine.handles.AddProcess(ProcessHandle{false, 0, ""});
    processInformation->hThread = machine.handles.AddProcess(ProcessHandle{true, 0, ""});
    processInformation->dwProcessId = 0x100;
    processInformation->dwThreadId = 0x104;
    Record(machine, "CreateProcessA", std::move(arguments), status,
           machine.handles.NameOf(processInformation->hProcess) + ", " +
               machine.handles.NameOf(processInformation->hThread),
           applicationName);

    // The program's entry may register or replace images: run a copy.
    const ProgramImage started = *image;
    const int callerBits = machine.processBits;
    machine.processBits = started.bits;
    const DWORD exitCode = static_cast<DWORD>(started.entry());
    machine.processBits = callerBits;
    for (HANDLE handle : {processInformation->hProcess, processInformation->hThread}) {
        if (ProcessHandle* process = machine.handles.FindProcess(handle))
            process->exitCode = exitCode;
    }
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(handle),
                                          milliseconds == INFINITE ? "INFINITE" : Decimal(milliseconds)};
    // Only processes and threads are waited for here, and they have ended.
    const DWORD status = machine.handles.FindProcess(handle) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    Record(machine, "WaitForSingleObject", std::move(arguments), status,
           status == ERROR_SUCCESS ? "WAIT_OBJECT_0" : "");
    return status == ERROR_SUCCESS ? WAIT_OBJECT_0 : WAIT_FAILED;
}

// Process and thread handles; the others have their own closing calls.
BOOL WINAPI CloseHandle(HANDLE handle)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(handle)};
    const DWORD status = machine.handles.CloseProcess(handle) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    Record(machine, "CloseHandle", std::move(arguments), status);
    return status == ERROR_SUCCESS;
}

}  // extern "C"
