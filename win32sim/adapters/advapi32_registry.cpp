// The registry functions: translate the handle, ask the rules, record the call.
#include <windows.h>

#include <cstring>

#include "call_text.h"
#include "rules/registry_rules.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

using Texts = std::vector<std::string>;

std::string_view Text(const char* text) { return text ? std::string_view(text) : std::string_view(); }

std::string SizeArgument(const DWORD* size) { return size ? Decimal(*size) : "NULL"; }

// A call on an open key, and its entry in the journal. The entry is spelled
// only when the journal keeps the call, sparing a journal filtered to a few
// kinds of call the text of those it drops; it is spelled before the call,
// which may change what its arguments point to or close the key.
class KeyCall {
public:
    // A call on the key itself; arguments: those after the key, spelled only
    // for the journal.
    template <typename Arguments>
    KeyCall(const char* name, HKEY key, Arguments arguments) : KeyCall(name, key)
    {
        if (kept_)
            Spell(key, arguments(), handle ? handle->path : "");
    }

    // A call on subKey below the key, the entry's target.
    template <typename Arguments>
    KeyCall(const char* name, HKEY key, const char* subKey, Arguments arguments) : KeyCall(name, key)
    {
        if (kept_)
            Spell(key, arguments(), handle ? JoinKeyPath(handle->path, subKey) : "");
    }

    bool Kept() const { return kept_; }

    // What the call answers before it looks at the key: the key not open, or
    // a reserved argument given; ERROR_SUCCESS when neither.
    LONG Refusal(const void* reserved) const
    {
        if (!handle)
            return ERROR_INVALID_HANDLE;
        return reserved ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }

    // The entry, when the journal keeps it; answers status.
    LONG Recorded(LONG status, std::string output = "")
    {
        if (kept_)
            Record(machine, name_, std::move(arguments_), status, std::move(output), std::move(target_));
        return status;
    }

    Machine& machine;
    KeyHandle* const handle;  // nullptr when the key is not open

private:
    KeyCall(const char* name, HKEY key)
        : machine(CurrentMachine()), handle(machine.FindKeyHandle(key)), name_(name), kept_(machine.journal.Keeps(name))
    {
    }

    void Spell(HKEY key, Texts arguments, std::string target)
    {
        arguments_.push_back(machine.handles.NameOf(key));
        for (std::string& argument : arguments)
            arguments_.push_back(std::move(argument));
        target_ = std::move(target);
    }

    const char* name_;
    bool kept_;
    Texts arguments_;
    std::string target_;
};

}  // namespace

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result)
{
    KeyCall call("RegOpenKeyExA", key, subKey, [&] { return Texts{Quoted(subKey), Decimal(options), Hex(desired)}; });
    if (!result)
        return call.Recorded(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    if (!call.handle)
        return call.Recorded(ERROR_INVALID_HANDLE);
    std::shared_ptr<RegKey> opened;
    const LONG status = OpenKey(call.machine, *call.handle, Text(subKey), desired, opened);
    if (status != ERROR_SUCCESS)
        return call.Recorded(status);
    *result = call.machine.handles.AddKey(KeyHandle{opened, desired, JoinKeyPath(call.handle->path, subKey), ""});
    return call.Recorded(status, call.Kept() ? call.machine.handles.NameOf(*result) : "");
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR className,
                          LPDWORD classLength, PFILETIME lastWriteTime)
{
    KeyCall call("RegEnumKeyExA", key, [&] { return Texts{Decimal(index), SizeArgument(nameLength)}; });
    LONG status = call.Refusal(reserved);
    if (status == ERROR_SUCCESS)
        status = EnumSubkey(call.machine, *call.handle, index, name, nameLength);
    if (status != ERROR_SUCCESS)
        return call.Recorded(status);
    // Keys carry no class and no write time in this model.
    if (classLength) {
        if (className && *classLength > 0)
            className[0] = '\0';
        *classLength = 0;
    }
    if (lastWriteTime)
        std::memset(lastWriteTime, 0, sizeof(*lastWriteTime));
    return call.Recorded(status, call.Kept() ? Quoted(name) : "");
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    KeyCall call("RegQueryValueExA", key, [&] { return Texts{Quoted(valueName), SizeArgument(dataSize)}; });
    LONG status = call.Refusal(reserved);
    if (status == ERROR_SUCCESS)
        status = QueryValue(call.machine, *call.handle, Text(valueName), type, data, dataSize);
    // The size the call answers, when it answers one.
    return call.Recorded(status, status == ERROR_SUCCESS && dataSize && call.Kept() ? Decimal(*dataSize) : "");
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    KeyCall call("RegDeleteKeyA", key, subKey, [&] { return Texts{Quoted(subKey)}; });
    return call.Recorded(call.handle ? DeleteKey(call.machine, *call.handle, Text(subKey)) : ERROR_INVALID_HANDLE);
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName)
{
    KeyCall call("RegDeleteValueA", key, [&] { return Texts{Quoted(valueName)}; });
    return call.Recorded(call.handle ? DeleteValue(call.machine, *call.handle, Text(valueName)) : ERROR_INVALID_HANDLE);
}

LONG WINAPI RegCloseKey(HKEY key)
{
    KeyCall call("RegCloseKey", key, [] { return Texts{}; });
    if (!call.handle)
        return call.Recorded(ERROR_INVALID_HANDLE);
    if (key != HKEY_LOCAL_MACHINE)  // the predefined key stays usable
        call.machine.handles.CloseKey(key);
    return call.Recorded(ERROR_SUCCESS);
}

}  // extern "C"
