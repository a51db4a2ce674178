#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "preview_command.h"

namespace {

// Loading a large export is mostly page faults on a virtual machine; with huge
// pages behind the heap it takes about half the time. glibc reads this setting
// only when a process starts, so the tool starts itself again once with it.
// A user's own GLIBC_TUNABLES is left alone, and so is a failed exec.
void RestartWithHugePages(char** argv)
{
    if (std::getenv("GLIBC_TUNABLES"))
        return;
    setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1);
    execv("/proc/self/exe", argv);
    unsetenv("GLIBC_TUNABLES");
}

}  // namespace

int main(int argc, char** argv)
{
    RestartWithHugePages(argv);
    return qalm::RunPreviewCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
