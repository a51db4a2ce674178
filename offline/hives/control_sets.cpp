#include "hives/control_sets.h"

#include <algorithm>
#include <cstdio>

#include "offline_error.h"
#include "regfile/printable.h"

namespace qalm {
namespace {

constexpr char kSelectKey[] = "Select";
constexpr const char* kSelectValues[] = {"Current", "Default", "LastKnownGood", "Failed"};
constexpr std::string_view kControlSetPrefix = "ControlSet";

// "ControlSet001" in any letter case: three digits, as Windows names them.
bool ParseControlSetName(const std::string& name, unsigned& number)
{
    if (name.size() != kControlSetPrefix.size() + 3 ||
        !win32sim::EqualsIgnoringCase(std::string_view(name).substr(0, kControlSetPrefix.size()), kControlSetPrefix))
        return false;
    number = 0;
    for (size_t i = kControlSetPrefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
        number = number * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return true;
}

}  // namespace

std::string ControlSetName(unsigned number)
{
    char name[32];
    std::snprintf(name, sizeof name, "ControlSet%03u", number);
    return name;
}

std::vector<unsigned> ControlSets::Others() const
{
    std::vector<unsigned> others;
    for (unsigned number : present) {
        if (number != current)
            others.push_back(number);
    }
    return others;
}

std::string ControlSets::RolesOf(unsigned number) const
{
    std::string roles;
    for (const auto& [role, selectedNumber] : selected) {
        if (selectedNumber == number)
            roles += (roles.empty() ? "" : ", ") + role;
    }
    return roles;
}

ControlSets ReadControlSets(const NtHive& system)
{
    const std::string file = Printable(system.File());
    ControlSets sets;
    for (const std::string& name : system.SubkeyNames("")) {
        unsigned number = 0;
        if (ParseControlSetName(name, number))
            sets.present.push_back(number);
        if (win32sim::EqualsIgnoringCase(name, "CurrentControlSet"))
            throw OfflineError(file + ": key HKLM\\SYSTEM\\" + Printable(name) +
                               ": a hive file holds no CurrentControlSet (Windows makes it at each start), so which "
                               "control set is current cannot be told");
    }
    std::sort(sets.present.begin(), sets.present.end());

    for (const char* valueName : kSelectValues) {
        const std::optional<HiveValue> value = system.FindValue(kSelectKey, valueName);
        if (!value)
            continue;
        if (value->type != REG_DWORD || value->data.size() != 4)
            throw OfflineError(file + ": key HKLM\\SYSTEM\\Select: its value \"" + valueName + "\" is not a REG_DWORD");
        const std::vector<BYTE>& bytes = value->data;
        sets.selected.emplace_back(valueName, bytes[0] | bytes[1] << 8 | bytes[2] << 16 | unsigned{bytes[3]} << 24);
    }
    if (sets.selected.empty() || sets.selected.front().first != "Current")
        throw OfflineError(file + ": key HKLM\\SYSTEM\\Select: there is no such key or no value \"Current\" in it, " +
                           "so which control set is current cannot be told");
    sets.current = sets.selected.front().second;
    if (!std::binary_search(sets.present.begin(), sets.present.end(), sets.current))
        throw OfflineError(file + ": key HKLM\\SYSTEM\\" + ControlSetName(sets.current) +
                           ": SYSTEM\\Select \"Current\" names this control set, and the hive does not hold it");
    return sets;
}

}  // namespace qalm
