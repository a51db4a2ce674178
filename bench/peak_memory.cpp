#include "peak_memory.h"

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

}  // namespace qalm::bench
