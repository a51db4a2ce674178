#include "child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "hive_apply.h"
#include "regfile/printable.h"

namespace offline {
namespace {

void WriteAll(int descriptor, const std::string& text)
{
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(descriptor, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        written += static_cast<size_t>(n);
    }
}

std::string ReadAll(int descriptor)
{
    std::string text;
    char buffer[4096];
    while (true) {
        const ssize_t n = read(descriptor, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<size_t>(n));
    }
}

// The child's whole life: its message goes up the pipe, and it ends without
// running what the parent's exit would (static destructors, buffered output).
[[noreturn]] void RunChild(int messages, const std::string& file, const std::function<void()>& step)
{
    int status = 0;
    try {
        step();
    } catch (const ApplyError& error) {
        WriteAll(messages, error.what());
        status = 1;
    } catch (const std::exception& error) {
        WriteAll(messages, qalm::Printable(file) + ": " + error.what());
        status = 1;
    }
    _exit(status);
}

}  // namespace

void RunInChildProcess(const std::string& file, const std::function<void()>& step)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw ApplyError("cannot start the change of " + qalm::Printable(file) + ": " + std::strerror(errno));
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        throw ApplyError("cannot start the change of " + qalm::Printable(file) + ": " + std::strerror(error));
    }
    if (child == 0) {
        close(pipeEnds[0]);
        RunChild(pipeEnds[1], file, step);
    }
    close(pipeEnds[1]);
    const std::string message = ReadAll(pipeEnds[0]);
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            throw ApplyError("cannot follow the change of " + qalm::Printable(file) + ": " + std::strerror(errno));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return;
    if (WIFEXITED(status))
        throw ApplyError(message.empty() ? qalm::Printable(file) + ": the change failed" : message);
    throw ApplyError(qalm::Printable(file) + ": libhivex stopped (" + strsignal(WTERMSIG(status)) +
                     ") while changing it, as it does on some damage no reader sees; the hive is damaged");
}

}  // namespace offline
