// The control sets of an NT SYSTEM hive. Windows makes CurrentControlSet at
// each start, as a link to the set that SYSTEM\Select "Current" names; the
// file holds only the numbered sets.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "hives/nt_hive.h"

namespace qalm {

struct ControlSets {
    unsigned current = 0;           // Select "Current"
    std::vector<unsigned> present;  // every ControlSetNNN of the hive, in ascending order
    // What Select says of them: "Current", "Default", "LastKnownGood", "Failed", as far as it holds them.
    std::vector<std::pair<std::string, unsigned>> selected;

    std::vector<unsigned> Others() const;        // the present sets but the current one
    std::string RolesOf(unsigned number) const;  // "Current, Default", or ""
};

std::string ControlSetName(unsigned number);  // "ControlSet001"

// Throws OfflineError naming the file and the key when Select, its "Current"
// value, or the set it names is missing, or the hive already holds a key
// named CurrentControlSet.
ControlSets ReadControlSets(const NtHive& system);

}  // namespace qalm
