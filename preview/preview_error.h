// Errors the preview reports to its user with exit status 2: bad input, bad
// usage, or an output file it could not write.
#pragma once

#include <stdexcept>
#include <string>

namespace qalm {

class PreviewError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line the tool does not understand; the usage line goes with it.
class UsageError : public PreviewError {
public:
    using PreviewError::PreviewError;
};

}  // namespace qalm
