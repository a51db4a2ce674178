#include "preview_options.h"

#include "regfile/printable.h"
#include "run/program_runner.h"

namespace qalm {

const char* const kWithoutTwin = kNativeTwinName;

std::string PreviewUsage()
{
    return "usage: qalm-preview [--os PROFILE] [--without WHAT] [--after FILE] [--json] [--strict] [MACHINE.reg ...]"
           " | --help | --version";
}

PreviewOptions ParsePreviewOptions(const std::vector<std::string>& arguments)
{
    PreviewOptions options;
    ParseCommandLine(arguments, options, [&](const std::vector<std::string>& all, size_t& index) {
        if (all[index] != "--strict")
            return TakeOptionArgument(all, index, "--without", options.without);
        options.strict = true;
        return true;
    });
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
