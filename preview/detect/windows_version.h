// The Windows version a machine's registry records, mapped to the nearest
// profile: for a machine given as its hives or exports, where no version query
// can be asked.
#pragma once

#include <stdexcept>
#include <string>

#include "win32sim/platform.h"
#include "win32sim/registry.h"

namespace qalm {

enum class WindowsFamily { Nt, Windows9x };

// Where each family records its version.
inline constexpr char kNtVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
inline constexpr char k9xVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
// NT: whether it is 64-bit, by its PROCESSOR_ARCHITECTURE.
inline constexpr char kEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

struct DetectedVersion {
    // The nearest profile's name with the version numbers as recorded, so
    // that the version query answers what that Windows would.
    win32sim::Platform platform;
    std::string recorded;  // "5.1, build 2600, Service Pack 2", as read
};

// The registry does not say which version it is, and why.
class VersionNotRecorded : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// NT: CurrentVersion ("5.1"), CurrentBuildNumber and CSDVersion of
// kNtVersionKey, and a 64-bit profile where kEnvironmentKey names a 64-bit
// PROCESSOR_ARCHITECTURE; 9x: VersionNumber ("4.10.2222") of k9xVersionKey.
// Throws VersionNotRecorded naming the key and value that are missing or unreadable.
DetectedVersion DetectWindowsVersion(const win32sim::Registry& registry, WindowsFamily family);

}  // namespace qalm
