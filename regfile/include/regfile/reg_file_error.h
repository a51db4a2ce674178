// Errors of the .reg library: a file that cannot be read, or one that is malformed.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace qalm {

class RegFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A malformed file: names the place and what was expected there.
class RegReadError : public RegFileError {
public:
    RegReadError(const std::string& file, size_t line, const std::string& problem);
    const std::string& File() const { return file_; }
    size_t Line() const { return line_; }
    const std::string& Problem() const { return problem_; }  // what() without the place

private:
    std::string file_;
    size_t line_;
    std::string problem_;
};

}  // namespace qalm
