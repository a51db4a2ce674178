// The command line of qalm-offline.
#pragma once

#include <string>
#include <vector>

#include "command_line.h"

namespace qalm {

// The operands are the paths; the profile "" is the version the hives record.
struct OfflineOptions : CommonOptions {
    bool apply = false;
    bool allControlSets = false;
};

std::string OfflineUsage();

// Throws UsageError for an unknown option, one without its argument, or no path.
OfflineOptions ParseOfflineOptions(const std::vector<std::string>& arguments);

}  // namespace qalm
