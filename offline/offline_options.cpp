#include "offline_options.h"

#include "preview_options.h"
#include "regfile/printable.h"

namespace qalm {

std::string OfflineUsage()
{
    return "usage: qalm-offline [--os PROFILE] [--apply] [--all-control-sets] [--json] [--after FILE] PATH..."
           " | --help | --version";
}

OfflineOptions ParseOfflineOptions(const std::vector<std::string>& arguments)
{
    OfflineOptions options;
    bool onlyPaths = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyPaths || argument.empty() || argument[0] != '-') {
            options.paths.push_back(argument);
        } else if (argument == "--") {
            onlyPaths = true;
        } else if (argument == "--apply") {
            options.apply = true;
        } else if (argument == "--all-control-sets") {
            options.allControlSets = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (!TakeOptionArgument(arguments, i, "--os", options.profile) &&
                   !TakeOptionArgument(arguments, i, "--after", options.afterPath)) {
            throw UsageError("unknown option \"" + Printable(argument) + "\"");
        }
    }
    if (options.paths.empty() && !options.help && !options.version)
        throw UsageError("no PATH given: name a mounted Windows partition, its Windows folder, or hive files");
    return options;
}

}  // namespace qalm
