// The command line of qalm-preview.
#pragma once

#include <string>
#include <vector>

#include "preview_error.h"
#include "win32sim/platform.h"

namespace qalm {

struct PreviewOptions {
    std::string profile = "winxp";
    // "" or what the machine lacks: setupapi.dll, setupapi-functions, or the
    // 64-bit twin beside the program (qalm-uninstall64.exe)
    std::string without;
    std::string afterPath;  // "" when the after-state is not wanted
    bool json = false;
    bool strict = false;  // a malformed line stops the preview instead of being left out
    bool help = false;
    bool version = false;
    std::vector<std::string> files;  // none: the built-in sample
};

std::string PreviewUsage();

// "--os NAME" or "--os=NAME" at arguments[index], moving index past its argument;
// answers false when the argument is another option. Throws UsageError when
// the argument is missing or empty.
bool TakeOptionArgument(const std::vector<std::string>& arguments, size_t& index, const std::string& option,
                        std::string& value);

// Throws UsageError for an unknown option or one without its argument.
PreviewOptions ParsePreviewOptions(const std::vector<std::string>& arguments);

// The profile, lacking what without names of the platform. Throws UsageError
// naming the known profiles, or what can be left out.
win32sim::Platform ResolveProfile(const std::string& name, const std::string& without = "");

// What --without names for the program's twin to be missing.
extern const char* const kWithoutTwin;

}  // namespace qalm
