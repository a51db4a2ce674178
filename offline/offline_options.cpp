#include "offline_options.h"

#include "preview_error.h"

namespace qalm {

std::string OfflineUsage()
{
    return "usage: qalm-offline [--os PROFILE] [--apply] [--all-control-sets] [--json] [--after FILE] PATH..."
           " | --help | --version";
}

OfflineOptions ParseOfflineOptions(const std::vector<std::string>& arguments)
{
    OfflineOptions options;
    ParseCommandLine(arguments, options, [&](const std::vector<std::string>& all, size_t& index) {
        if (all[index] == "--apply")
            options.apply = true;
        else if (all[index] == "--all-control-sets")
            options.allControlSets = true;
        else
            return false;
        return true;
    });
    if (options.operands.empty() && !options.help && !options.version)
        throw UsageError("no PATH given: name a mounted Windows partition, its Windows folder, or hive files");
    return options;
}

}  // namespace qalm
