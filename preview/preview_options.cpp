#include "preview_options.h"

#include "regfile/printable.h"
#include "run/program_runner.h"

namespace qalm {

bool TakeOptionArgument(const std::vector<std::string>& arguments, size_t& index, const std::string& option,
                        std::string& value)
{
    const std::string& argument = arguments[index];
    if (argument.compare(0, option.size() + 1, option + "=") == 0) {
        value = argument.substr(option.size() + 1);
    } else if (argument == option) {
        if (index + 1 == arguments.size())
            throw UsageError(option + " needs an argument");
        value = arguments[++index];
    } else {
        return false;
    }
    if (value.empty())
        throw UsageError(option + " needs a non-empty argument");
    return true;
}

const char* const kWithoutTwin = kNativeTwinName;

std::string PreviewUsage()
{
    return "usage: qalm-preview [--os PROFILE] [--without WHAT] [--after FILE] [--json] [--strict] [MACHINE.reg ...]"
           " | --help | --version";
}

PreviewOptions ParsePreviewOptions(const std::vector<std::string>& arguments)
{
    PreviewOptions options;
    bool onlyFiles = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyFiles || argument.empty() || argument[0] != '-') {
            options.files.push_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--strict") {
            options.strict = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (!TakeOptionArgument(arguments, i, "--os", options.profile) &&
                   !TakeOptionArgument(arguments, i, "--without", options.without) &&
                   !TakeOptionArgument(arguments, i, "--after", options.afterPath)) {
            throw UsageError("unknown option \"" + Printable(argument) + "\"");
        }
    }
    return options;
}

win32sim::Platform ResolveProfile(const std::string& name, const std::string& without)
{
    std::optional<win32sim::Platform> platform = win32sim::FindPlatform(name);
    if (!platform) {
        std::string known;
        for (const win32sim::Platform& candidate : win32sim::KnownPlatforms())
            known += (known.empty() ? "" : ", ") + candidate.name;
        throw UsageError("unknown profile \"" + Printable(name) + "\"; expected one of " + known +
                         ", or ID.MAJOR.MINOR such as 2.5.1");
    }
    if (without == "setupapi.dll")
        platform->setupApi = win32sim::SetupApi::Missing;
    else if (without == "setupapi-functions")
        platform->setupApi = win32sim::SetupApi::WithoutDeviceInstaller;
    else if (!without.empty() && without != kWithoutTwin)
        throw UsageError("--without takes setupapi.dll, setupapi-functions or " + std::string(kWithoutTwin) +
                         ", not \"" + Printable(without) + "\"");
    return *platform;
}

}  // namespace qalm
