// The registry functions: translate the handle, ask the rules, record the call.
#include <windows.h>

#include <cstring>

#include "call_text.h"
#include "rules/registry_rules.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

std::string_view Text(const char* text) { return text ? std::string_view(text) : std::string_view(); }

std::string SizeArgument(const DWORD* size) { return size ? Decimal(*size) : "NULL"; }

}  // namespace

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result)
{
    Machine& machine = CurrentMachine();
    const bool journalled = machine.journal.Keeps("RegOpenKeyExA");
    std::vector<std::string> arguments;
    if (journalled)
        arguments = {machine.handles.NameOf(key), Quoted(subKey), Decimal(options), Hex(desired)};
    KeyHandle* parent = machine.FindKeyHandle(key);
    std::string target = parent ? JoinKeyPath(parent->path, subKey) : "";
    std::string output;
    LONG status;
    if (!result) {
        status = ERROR_INVALID_PARAMETER;
    } else if (!parent) {
        *result = nullptr;
        status = ERROR_INVALID_HANDLE;
    } else {
        *result = nullptr;
        std::shared_ptr<RegKey> opened;
        status = OpenKey(machine, *parent, Text(subKey), desired, opened);
        if (status == ERROR_SUCCESS) {
            *result = machine.handles.AddKey(KeyHandle{opened, desired, target, ""});
            if (journalled)
                output = machine.handles.NameOf(*result);
        }
    }
    if (journalled)
        Record(machine, "RegOpenKeyExA", std::move(arguments), status, output, target);
    return status;
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR className,
                          LPDWORD classLength, PFILETIME lastWriteTime)
{
    Machine& machine = CurrentMachine();
    const bool journalled = machine.journal.Keeps("RegEnumKeyExA");
    std::vector<std::string> arguments;
    if (journalled)
        arguments = {machine.handles.NameOf(key), Decimal(index), SizeArgument(nameLength)};
    KeyHandle* handle = machine.FindKeyHandle(key);
    std::string output;
    LONG status;
    if (!handle)
        status = ERROR_INVALID_HANDLE;
    else if (reserved)
        status = ERROR_INVALID_PARAMETER;
    else
        status = EnumSubkey(machine, *handle, index, name, nameLength);
    if (status == ERROR_SUCCESS) {
        if (journalled)
            output = Quoted(name);
        // Keys carry no class and no write time in this model.
        if (classLength) {
            if (className && *classLength > 0)
                className[0] = '\0';
            *classLength = 0;
        }
        if (lastWriteTime)
            std::memset(lastWriteTime, 0, sizeof(*lastWriteTime));
    }
    if (journalled)
        Record(machine, "RegEnumKeyExA", std::move(arguments), status, output, handle ? handle->path : "");
    return status;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    Machine& machine = CurrentMachine();
    const bool journalled = machine.journal.Keeps("RegQueryValueExA");
    std::vector<std::string> arguments;
    if (journalled)
        arguments = {machine.handles.NameOf(key), Quoted(valueName), SizeArgument(dataSize)};
    KeyHandle* handle = machine.FindKeyHandle(key);
    LONG status;
    if (!handle)
        status = ERROR_INVALID_HANDLE;
    else if (reserved)
        status = ERROR_INVALID_PARAMETER;
    else
        status = QueryValue(machine, *handle, Text(valueName), type, data, dataSize);
    if (journalled) {
        std::string output = status == ERROR_SUCCESS ? SizeArgument(dataSize) : "";
        if (output == "NULL")
            output.clear();
        Record(machine, "RegQueryValueExA", std::move(arguments), status, output, handle ? handle->path : "");
    }
    return status;
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(key), Quoted(subKey)};
    KeyHandle* parent = machine.FindKeyHandle(key);
    LONG status = parent ? DeleteKey(machine, *parent, Text(subKey)) : ERROR_INVALID_HANDLE;
    Record(machine, "RegDeleteKeyA", std::move(arguments), status, "", parent ? JoinKeyPath(parent->path, subKey) : "");
    return status;
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName)
{
    Machine& machine = CurrentMachine();
    std::vector<std::string> arguments = {machine.handles.NameOf(key), Quoted(valueName)};
    KeyHandle* handle = machine.FindKeyHandle(key);
    LONG status = handle ? DeleteValue(machine, *handle, Text(valueName)) : ERROR_INVALID_HANDLE;
    Record(machine, "RegDeleteValueA", std::move(arguments), status, "", handle ? handle->path : "");
    return status;
}

LONG WINAPI RegCloseKey(HKEY key)
{
    Machine& machine = CurrentMachine();
    const bool journalled = machine.journal.Keeps("RegCloseKey");
    std::vector<std::string> arguments;
    std::string target;
    KeyHandle* handle = machine.FindKeyHandle(key);
    if (journalled) {
        arguments = {machine.handles.NameOf(key)};
        target = handle ? handle->path : "";
    }
    LONG status = ERROR_SUCCESS;
    if (!handle)
        status = ERROR_INVALID_HANDLE;
    else if (key != HKEY_LOCAL_MACHINE)  // the predefined key stays usable
        machine.handles.CloseKey(key);
    if (journalled)
        Record(machine, "RegCloseKey", std::move(arguments), status, "", target);
    return status;
}

}  // extern "C"
