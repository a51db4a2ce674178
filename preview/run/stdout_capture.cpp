#include "run/stdout_capture.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <system_error>

namespace qalm {

StdoutCapture::StdoutCapture()
{
    std::cout.flush();
    std::fflush(stdout);
    file_ = std::tmpfile();
    if (!file_)
        throw std::system_error(errno, std::generic_category(),
                                "cannot create a temporary file for the program's output");
    savedDescriptor_ = dup(STDOUT_FILENO);
    if (savedDescriptor_ < 0 || dup2(fileno(file_), STDOUT_FILENO) < 0) {
        const int error = errno;
        if (savedDescriptor_ >= 0)
            close(savedDescriptor_);
        std::fclose(file_);
        throw std::system_error(error, std::generic_category(), "cannot capture the program's output");
    }
}

StdoutCapture::~StdoutCapture()
{
    Restore();
    if (file_)
        std::fclose(file_);
}

void StdoutCapture::Restore()
{
    if (savedDescriptor_ < 0)
        return;
    std::cout.flush();
    std::fflush(stdout);
    dup2(savedDescriptor_, STDOUT_FILENO);
    close(savedDescriptor_);
    savedDescriptor_ = -1;
}

std::string StdoutCapture::Finish()
{
    Restore();
    std::string text;
    std::rewind(file_);
    char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file_)) > 0)
        text.append(chunk, count);
    return text;
}

}  // namespace qalm
