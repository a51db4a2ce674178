#include "report/report_names.h"

#include <setupapi.h>

#include <cstdio>

#include "platform/platform_mode.h"

namespace qalm {

std::string ModeName(int mode)
{
    switch (mode) {
    case MODE_NONE:
        return "MODE_NONE";
    case MODE_9X:
        return "MODE_9X";
    case MODE_NT4:
        return "MODE_NT4";
    case MODE_NT5:
        return "MODE_NT5";
    case MODE_UNSUPPORTED:
        return "MODE_UNSUPPORTED";
    default:
        return "mode " + std::to_string(mode);
    }
}

std::string ErrorName(long long code)
{
    struct Known {
        long long code;
        const char* name;
    };
    static constexpr Known kKnown[] = {
        {ERROR_SUCCESS, "ERROR_SUCCESS"},
        {ERROR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND"},
        {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED"},
        {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE"},
        {ERROR_NOT_ENOUGH_MEMORY, "ERROR_NOT_ENOUGH_MEMORY"},
        {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER"},
        {ERROR_CALL_NOT_IMPLEMENTED, "ERROR_CALL_NOT_IMPLEMENTED"},
        {ERROR_INSUFFICIENT_BUFFER, "ERROR_INSUFFICIENT_BUFFER"},
        {ERROR_BAD_EXE_FORMAT, "ERROR_BAD_EXE_FORMAT"},
        {ERROR_MORE_DATA, "ERROR_MORE_DATA"},
        {ERROR_NO_MORE_ITEMS, "ERROR_NO_MORE_ITEMS"},
        {ERROR_KEY_DELETED, "ERROR_KEY_DELETED"},
        {ERROR_INVALID_SERVICE_CONTROL, "ERROR_INVALID_SERVICE_CONTROL"},
        {ERROR_SERVICE_DOES_NOT_EXIST, "ERROR_SERVICE_DOES_NOT_EXIST"},
        {ERROR_SERVICE_NOT_ACTIVE, "ERROR_SERVICE_NOT_ACTIVE"},
        {ERROR_SERVICE_MARKED_FOR_DELETE, "ERROR_SERVICE_MARKED_FOR_DELETE"},
        {ERROR_INVALID_USER_BUFFER, "ERROR_INVALID_USER_BUFFER"},
        {ERROR_NO_SUCH_DEVINST, "ERROR_NO_SUCH_DEVINST"},
        {ERROR_IN_WOW64, "ERROR_IN_WOW64"},
    };
    for (const Known& known : kKnown) {
        if (known.code == code)
            return known.name;
    }
    return std::to_string(code);
}

std::string ValueTypeName(DWORD type)
{
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    default: {
        char text[24];
        std::snprintf(text, sizeof text, "type 0x%x", static_cast<unsigned>(type));
        return text;
    }
    }
}

std::string PlatformDescription(const win32sim::Platform& platform)
{
    if (platform.versionQueryFails)
        return "the version query fails";
    std::string family;
    switch (platform.platformId) {
    case VER_PLATFORM_WIN32s:
        family = "Win32s";
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        family = "Windows 9x";
        break;
    case VER_PLATFORM_WIN32_NT:
        family = "Windows NT";
        break;
    default:
        family = "platform id " + std::to_string(platform.platformId) + ", version";
    }
    std::string text =
        family + " " + std::to_string(platform.majorVersion) + "." + std::to_string(platform.minorVersion);
    // The 9x family repeats the version in the high word; the build is the low one.
    const DWORD build =
        platform.platformId == VER_PLATFORM_WIN32_WINDOWS ? (platform.buildNumber & 0xFFFF) : platform.buildNumber;
    if (build != 0)
        text += ", build " + std::to_string(build);
    if (platform.wow64)
        text += ", 64-bit";
    if (platform.setupApi == win32sim::SetupApi::Missing)
        text += ", without setupapi.dll";
    else if (platform.setupApi == win32sim::SetupApi::WithoutDeviceInstaller)
        text += ", setupapi.dll without the device installer";
    return text;
}

std::string RequestVerb(const win32sim::JournalEntry& entry)
{
    const auto argument = [&](size_t i) { return i < entry.arguments.size() ? entry.arguments[i] : std::string(); };
    if (entry.call == "SetupDiOpenDeviceInfoA")
        return "open";
    if (entry.call == "SetupDiCallClassInstaller")
        return argument(0) == std::to_string(DIF_REMOVE) ? "remove" : "request " + argument(0);
    if (entry.call == "OpenSCManagerA")
        return "connect";
    if (entry.call == "OpenServiceA")
        return "open";
    if (entry.call == "ControlService")
        return argument(1) == std::to_string(SERVICE_CONTROL_STOP) ? "stop" : "control " + argument(1);
    if (entry.call == "DeleteService")
        return "delete";
    if (entry.call == "CreateProcessA")
        return "start";
    return entry.call;
}

std::string RequestTarget(const win32sim::JournalEntry& entry)
{
    if (entry.call == "OpenSCManagerA" && entry.target.empty())
        return "local service manager";
    return entry.target;
}

}  // namespace qalm
