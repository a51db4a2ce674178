#include "peak_memory.h"

#include <sys/resource.h>

#include <fstream>
#include <string>

namespace qalm::bench {

size_t PeakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "VmHWM:") {
            size_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

bool ResetPeakResidentBytes()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5\n";  // resets the peak to the present size (Linux 4.0 on)
    return static_cast<bool>(clear.flush());
}

size_t PeakChildResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

}  // namespace qalm::bench
