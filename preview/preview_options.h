// The command line of qalm-preview.
#pragma once

#include <string>
#include <vector>

#include "command_line.h"
#include "preview_error.h"
#include "win32sim/platform.h"

namespace qalm {

// The operands are the .reg files; none: the built-in sample.
struct PreviewOptions : CommonOptions {
    PreviewOptions() { profile = "winxp"; }

    // "" or what the machine lacks: setupapi.dll, setupapi-functions, or the
    // 64-bit twin beside the program (qalm-uninstall64.exe)
    std::string without;
    bool strict = false;  // a malformed line stops the preview instead of being left out
};

std::string PreviewUsage();

// Throws UsageError for an unknown option or one without its argument.
PreviewOptions ParsePreviewOptions(const std::vector<std::string>& arguments);

// The profile, lacking what without names of the platform. Throws UsageError
// naming the known profiles, or what can be left out.
win32sim::Platform ResolveProfile(const std::string& name, const std::string& without = "");

// What --without names for the program's twin to be missing.
extern const char* const kWithoutTwin;

}  // namespace qalm
