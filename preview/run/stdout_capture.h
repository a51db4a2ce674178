// Sends what this process writes to standard output (file descriptor 1, so
// printf and std::cout alike) to a temporary file until Finish. Throws
// std::system_error when standard output cannot be redirected.
#pragma once

#include <cstdio>
#include <string>

namespace qalm {

class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string Finish();  // restores standard output and answers what was written

private:
    void Restore();

    std::FILE* file_ = nullptr;
    int savedDescriptor_ = -1;
};

}  // namespace qalm
