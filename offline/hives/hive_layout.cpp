#include "hives/hive_layout.h"

#include <algorithm>

#include "hives/control_sets.h"

namespace qalm {
namespace {

constexpr std::string_view kCurrentControlSet = "CurrentControlSet";

// The first name of a path, and the rest after its backslash.
std::pair<std::string_view, std::string_view> SplitFirst(std::string_view path)
{
    const size_t end = std::min(path.find('\\'), path.size());
    return {path.substr(0, end), path.substr(std::min(end + 1, path.size()))};
}

std::string Joined(std::string_view a, std::string_view b)
{
    if (a.empty())
        return std::string(b);
    if (b.empty())
        return std::string(a);
    return std::string(a) + "\\" + std::string(b);
}

}  // namespace

// An NT hive loads as the key its file is named after.
const char* MountKey(HiveKind kind) { return kind == HiveKind::System9x ? "" : HiveFileName(kind); }

std::string ShownHiveKey(const HiveKey& key) { return Joined(Joined("HKLM", MountKey(key.hive)), key.path); }

std::optional<HiveKey> HiveLayout::ToHive(std::string_view machinePath) const
{
    if (family_ == WindowsFamily::Windows9x)
        return HiveKey{HiveKind::System9x, std::string(machinePath)};

    const auto [top, below] = SplitFirst(machinePath);
    if (below.empty())
        return std::nullopt;
    if (win32sim::EqualsIgnoringCase(top, MountKey(HiveKind::Software)))
        return HiveKey{HiveKind::Software, std::string(below)};
    if (!win32sim::EqualsIgnoringCase(top, MountKey(HiveKind::System)))
        return std::nullopt;
    const auto [set, inSet] = SplitFirst(below);
    if (currentSet_ != 0 && win32sim::EqualsIgnoringCase(set, kCurrentControlSet))
        return HiveKey{HiveKind::System, Joined(ControlSetName(currentSet_), inSet)};
    return HiveKey{HiveKind::System, std::string(below)};
}

std::string HiveLayout::ToMachine(const HiveKey& key) const
{
    if (key.hive == HiveKind::System && currentSet_ != 0) {
        const auto [set, inSet] = SplitFirst(key.path);
        if (win32sim::EqualsIgnoringCase(set, ControlSetName(currentSet_)))
            return Joined(Joined(MountKey(key.hive), kCurrentControlSet), inSet);
    }
    return Joined(MountKey(key.hive), key.path);
}

}  // namespace qalm
