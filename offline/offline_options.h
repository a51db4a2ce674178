// The command line of qalm-offline.
#pragma once

#include <string>
#include <vector>

namespace qalm {

struct OfflineOptions {
    std::string profile;    // "": the version the hives record
    std::string afterPath;  // "" when the after-state is not wanted
    bool apply = false;
    bool allControlSets = false;
    bool json = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> paths;
};

std::string OfflineUsage();

// Throws UsageError for an unknown option, one without its argument, or no path.
OfflineOptions ParseOfflineOptions(const std::vector<std::string>& arguments);

}  // namespace qalm
