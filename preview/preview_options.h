// The command line of qalm-preview.
#pragma once

#include <string>
#include <vector>

#include "preview_error.h"
#include "win32sim/platform.h"

namespace qalm {

struct PreviewOptions {
    std::string profile = "winxp";
    std::string afterPath;            // "" when the after-state is not wanted
    bool json = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;   // none: the built-in sample
};

std::string PreviewUsage();

// Throws UsageError for an unknown option or one without its argument.
PreviewOptions ParsePreviewOptions(const std::vector<std::string>& arguments);

// Throws UsageError naming the known profiles.
win32sim::Platform ResolveProfile(const std::string& name);

}  // namespace qalm
