// Platform versions by profile name, as GetVersionExA answers them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win32sim {

// What the platform has of the device installer's DLL. Windows 95 and NT 3.51
// ship no setupapi.dll; some that do lack the device installer's functions.
enum class SetupApi {
    Present,
    Missing,                 // LoadLibraryA("setupapi.dll") fails: ERROR_MOD_NOT_FOUND
    WithoutDeviceInstaller,  // GetProcAddress of a SetupDi function fails: ERROR_PROC_NOT_FOUND
};

struct Platform {
    std::string name;  // "winxp", or "ID.MAJOR.MINOR" for any other
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD majorVersion = 5;
    DWORD minorVersion = 1;
    bool versionQueryFails = false;  // GetVersionExA returns FALSE and fills nothing
    DWORD buildNumber = 0;           // as dwBuildNumber reports it (9x: version in the high word)
    SetupApi setupApi = SetupApi::Present;
    // 64-bit Windows: 32-bit programs run under WOW64 beside 64-bit ones.
    bool wow64 = false;
};

// The build number as the 9x family reports it: the version again in the high word.
DWORD Build9x(DWORD major, DWORD minor, DWORD build);

// The named profiles: win31, win95, win98, winme, nt351, nt40, win2k, winxp,
// win2003, winxp64 and win2003x64 (64-bit), vista, win7, win10, and "fail"
// for a version query that fails.
const std::vector<Platform>& KnownPlatforms();

// A profile name (any letter case), or "ID.MAJOR.MINOR" with decimal numbers
// that fit 32 bits; nullopt otherwise.
std::optional<Platform> FindPlatform(std::string_view name);

}  // namespace win32sim
