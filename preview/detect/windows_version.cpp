#include "detect/windows_version.h"

#include <charconv>
#include <optional>
#include <vector>

#include "regfile/printable.h"

namespace qalm {
namespace {

// A string value up to its terminator, or nullopt when absent or of another type.
std::optional<std::string> ReadString(const win32sim::RegKey& key, std::string_view name)
{
    const win32sim::RegValue* value = key.FindValue(name);
    if (!value || (value->Type() != REG_SZ && value->Type() != REG_EXPAND_SZ))
        return std::nullopt;
    const win32sim::ByteView data = value->Data();
    std::string text(data.begin(), data.end());
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return text;
}

// Leading decimal digits of text, consumed; nullopt when there are none.
std::optional<DWORD> TakeNumber(std::string_view& text)
{
    DWORD number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc())
        return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return number;
}

// "5.1" or "4.10.2222": as many numbers as there are, each after a dot.
std::vector<DWORD> DottedNumbers(std::string_view text)
{
    std::vector<DWORD> numbers;
    while (std::optional<DWORD> number = TakeNumber(text)) {
        numbers.push_back(*number);
        if (text.empty() || text.front() != '.')
            break;
        text.remove_prefix(1);
    }
    return numbers;
}

// The profile of the family with this version, or else the closest one below
// it (the lowest when none is below): every version between two profiles
// behaves as the older one for the program, which tells versions apart by
// their lower bounds.
win32sim::Platform NearestProfile(DWORD platformId, DWORD major, DWORD minor)
{
    const auto order = [](const win32sim::Platform& p) { return uint64_t{p.majorVersion} << 32 | p.minorVersion; };
    const uint64_t wanted = uint64_t{major} << 32 | minor;
    const win32sim::Platform* below = nullptr;
    const win32sim::Platform* lowest = nullptr;
    for (const win32sim::Platform& profile : win32sim::KnownPlatforms()) {
        if (profile.platformId != platformId || profile.versionQueryFails || profile.wow64)
            continue;
        if (!lowest || order(profile) < order(*lowest))
            lowest = &profile;
        if (order(profile) <= wanted && (!below || order(profile) > order(*below)))
            below = &profile;
    }
    win32sim::Platform platform = below ? *below : *lowest;
    platform.majorVersion = major;
    platform.minorVersion = minor;
    return platform;
}

// Where 32-bit programs run under WOW64: the processor architecture the
// session manager hands every process is a 64-bit one.
bool Is64Bit(const win32sim::Registry& registry)
{
    const win32sim::RegKey* environment = registry.Find(kEnvironmentKey);
    const std::optional<std::string> architecture =
        environment ? ReadString(*environment, "PROCESSOR_ARCHITECTURE") : std::nullopt;
    return architecture && (win32sim::EqualsIgnoringCase(*architecture, "AMD64") ||
                            win32sim::EqualsIgnoringCase(*architecture, "IA64"));
}

// The 64-bit profile of that version, or the 32-bit one made 64-bit.
void Make64Bit(win32sim::Platform& platform)
{
    for (const win32sim::Platform& profile : win32sim::KnownPlatforms()) {
        if (profile.wow64 && profile.platformId == platform.platformId &&
            profile.majorVersion == platform.majorVersion && profile.minorVersion == platform.minorVersion) {
            platform.name = profile.name;
            break;
        }
    }
    platform.wow64 = true;
}

[[noreturn]] void NotRecorded(const char* key, const char* value, const std::string& problem)
{
    throw VersionNotRecorded(std::string("the Windows version is not recorded: the value \"") + value + "\" of " + key +
                             " " + problem);
}

DetectedVersion DetectNt(const win32sim::Registry& registry)
{
    const win32sim::RegKey* key = registry.Find(kNtVersionKey);
    if (!key)
        throw VersionNotRecorded(std::string("the Windows version is not recorded: there is no key ") + kNtVersionKey);
    const std::optional<std::string> version = ReadString(*key, "CurrentVersion");
    if (!version)
        NotRecorded(kNtVersionKey, "CurrentVersion", "is missing or not a string");
    const std::vector<DWORD> numbers = DottedNumbers(*version);
    if (numbers.size() != 2)
        NotRecorded(kNtVersionKey, "CurrentVersion", "holds \"" + Printable(*version) + "\", not MAJOR.MINOR");

    DetectedVersion detected{NearestProfile(VER_PLATFORM_WIN32_NT, numbers[0], numbers[1]), Printable(*version)};
    detected.platform.buildNumber = 0;
    if (const std::optional<std::string> build = ReadString(*key, "CurrentBuildNumber")) {
        std::string_view digits = *build;
        if (const std::optional<DWORD> number = TakeNumber(digits)) {
            detected.platform.buildNumber = *number;
            detected.recorded += ", build " + std::to_string(*number);
        }
    }
    const std::optional<std::string> servicePack = ReadString(*key, "CSDVersion");
    if (servicePack && !servicePack->empty())
        detected.recorded += ", " + Printable(*servicePack);
    if (Is64Bit(registry)) {
        Make64Bit(detected.platform);
        detected.recorded += ", 64-bit";
    }
    return detected;
}

DetectedVersion Detect9x(const win32sim::Registry& registry)
{
    const win32sim::RegKey* key = registry.Find(k9xVersionKey);
    if (!key)
        throw VersionNotRecorded(std::string("the Windows version is not recorded: there is no key ") + k9xVersionKey);
    const std::optional<std::string> version = ReadString(*key, "VersionNumber");
    if (!version)
        NotRecorded(k9xVersionKey, "VersionNumber", "is missing or not a string");
    const std::vector<DWORD> numbers = DottedNumbers(*version);
    if (numbers.size() < 2 || numbers[0] > 0xFF || numbers[1] > 0xFF || (numbers.size() > 2 && numbers[2] > 0xFFFF))
        NotRecorded(k9xVersionKey, "VersionNumber", "holds \"" + Printable(*version) + "\", not MAJOR.MINOR.BUILD");

    const DWORD build = numbers.size() > 2 ? numbers[2] : 0;
    DetectedVersion detected{NearestProfile(VER_PLATFORM_WIN32_WINDOWS, numbers[0], numbers[1]), Printable(*version)};
    detected.platform.buildNumber = win32sim::Build9x(numbers[0], numbers[1], build);
    return detected;
}

}  // namespace

DetectedVersion DetectWindowsVersion(const win32sim::Registry& registry, WindowsFamily family)
{
    return family == WindowsFamily::Nt ? DetectNt(registry) : Detect9x(registry);
}

}  // namespace qalm
