// The whole qalm-offline command, from its arguments to its exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qalm {

// Exit status 0 when it ran (and, with --apply, wrote what it had to), 2 for
// bad input or usage, or a refusal with nothing written (reason on err).
int RunOfflineCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace qalm
