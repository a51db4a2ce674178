// Errors qalm-offline reports with exit status 2: input it cannot use, or a
// change it refuses to write. The message names the file and, where it can, the key.
#pragma once

#include <stdexcept>

namespace qalm {

class OfflineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace qalm
