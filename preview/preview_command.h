// The whole qalm-preview command, from its arguments to its exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qalm {

// Exit status 0 when the preview ran, 2 for bad input or usage (reason on err).
int RunPreviewCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace qalm
