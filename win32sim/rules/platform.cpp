#include <charconv>

#include "win32sim/platform.h"
#include "win32sim/registry.h"

namespace win32sim {

namespace {

Platform Profile(const char* name, DWORD id, DWORD major, DWORD minor, DWORD build)
{
    Platform platform;
    platform.name = name;
    platform.platformId = id;
    platform.majorVersion = major;
    platform.minorVersion = minor;
    platform.buildNumber = build;
    return platform;
}

// Windows XP Professional x64 and Server 2003 x64 are both NT 5.2, build 3790.
Platform Profile64(const char* name)
{
    Platform platform = Profile(name, VER_PLATFORM_WIN32_NT, 5, 2, 3790);
    platform.wow64 = true;
    return platform;
}

std::optional<DWORD> ParseNumber(std::string_view text)
{
    DWORD number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

}  // namespace

DWORD Build9x(DWORD major, DWORD minor, DWORD build) { return (major << 24) | (minor << 16) | build; }

const std::vector<Platform>& KnownPlatforms()
{
    static const std::vector<Platform> platforms = [] {
        std::vector<Platform> list = {
            Profile("win31", VER_PLATFORM_WIN32s, 3, 10, 0),
            Profile("win95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, Build9x(4, 0, 950)),
            Profile("win98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, Build9x(4, 10, 2222)),
            Profile("winme", VER_PLATFORM_WIN32_WINDOWS, 4, 90, Build9x(4, 90, 3000)),
            Profile("nt351", VER_PLATFORM_WIN32_NT, 3, 51, 1057),
            Profile("nt40", VER_PLATFORM_WIN32_NT, 4, 0, 1381),
            Profile("win2k", VER_PLATFORM_WIN32_NT, 5, 0, 2195),
            Profile("winxp", VER_PLATFORM_WIN32_NT, 5, 1, 2600),
            Profile("win2003", VER_PLATFORM_WIN32_NT, 5, 2, 3790),
            Profile64("winxp64"),
            Profile64("win2003x64"),
            Profile("vista", VER_PLATFORM_WIN32_NT, 6, 0, 6000),
            Profile("win7", VER_PLATFORM_WIN32_NT, 6, 1, 7601),
            Profile("win10", VER_PLATFORM_WIN32_NT, 10, 0, 19045),
        };
        Platform fail = Profile("fail", VER_PLATFORM_WIN32_NT, 0, 0, 0);
        fail.versionQueryFails = true;
        list.push_back(fail);
        return list;
    }();
    return platforms;
}

std::optional<Platform> FindPlatform(std::string_view name)
{
    for (const Platform& platform : KnownPlatforms()) {
        if (EqualsIgnoringCase(platform.name, name))
            return platform;
    }
    size_t firstDot = name.find('.');
    size_t secondDot = firstDot == std::string_view::npos ? firstDot : name.find('.', firstDot + 1);
    if (secondDot == std::string_view::npos)
        return std::nullopt;
    std::optional<DWORD> id = ParseNumber(name.substr(0, firstDot));
    std::optional<DWORD> major = ParseNumber(name.substr(firstDot + 1, secondDot - firstDot - 1));
    std::optional<DWORD> minor = ParseNumber(name.substr(secondDot + 1));
    if (!id || !major || !minor)
        return std::nullopt;
    return Profile(std::string(name).c_str(), *id, *major, *minor, 0);
}

}  // namespace win32sim
