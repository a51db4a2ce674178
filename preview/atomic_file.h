// Writes a file so that it is either complete or not there: the text goes to
// a temporary file beside it, which is renamed over the target at the end.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace qalm {

// Throws PreviewError when the file cannot be written; the target is then untouched.
void WriteFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write);

}  // namespace qalm
