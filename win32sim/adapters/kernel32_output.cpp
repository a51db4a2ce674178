// Standard output and error, passed through to this process's file
// descriptors 1 and 2, so that whatever captures those sees what is written.
#include <windows.h>

#include <unistd.h>

#include <string>

#include "call_text.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

bool WriteAll(int descriptor, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(descriptor, data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

extern "C" {

// Standard input is not modelled: it answers ERROR_INVALID_PARAMETER.
HANDLE WINAPI GetStdHandle(DWORD which)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {std::to_string(static_cast<int32_t>(which))};
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD status = ERROR_SUCCESS;
    if (which == STD_OUTPUT_HANDLE)
        handle = machine.handles.StandardHandle(STDOUT_FILENO);
    else if (which == STD_ERROR_HANDLE)
        handle = machine.handles.StandardHandle(STDERR_FILENO);
    else
        status = machine.lastError = ERROR_INVALID_PARAMETER;
    Record(machine, "GetStdHandle", std::move(arguments), status,
           status == ERROR_SUCCESS ? machine.handles.NameOf(handle) : "");
    return handle;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    Machine& machine = CurrentMachine();
    const char* bytes = static_cast<const char*>(data);
    std::vector<std::string> arguments = {machine.handles.NameOf(file),
                                          bytes ? "\"" + std::string(bytes, size) + "\"" : "NULL", Decimal(size),
                                          overlapped ? "&overlapped" : "NULL"};
    const int descriptor = machine.handles.DescriptorOf(file);
    DWORD status = ERROR_SUCCESS;
    if (descriptor < 0)
        status = ERROR_INVALID_HANDLE;
    else if ((!bytes && size > 0) || overlapped)
        status = ERROR_INVALID_PARAMETER;
    else if (!WriteAll(descriptor, bytes, size))
        status = ERROR_INVALID_HANDLE;  // nothing to write to: the descriptor is closed
    if (written)
        *written = status == ERROR_SUCCESS ? size : 0;
    if (status != ERROR_SUCCESS)
        machine.lastError = status;
    Record(machine, "WriteFile", std::move(arguments), status, status == ERROR_SUCCESS ? Decimal(size) : "");
    return status == ERROR_SUCCESS;
}

}  // extern "C"
