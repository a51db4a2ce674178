// The process's peak resident memory, as the kernel counts it.
#pragma once

#include <cstddef>

namespace qalm::bench {

size_t PeakResidentBytes();       // 0 when the kernel does not say
size_t PeakChildResidentBytes();  // of the largest child process waited for
// From now on PeakResidentBytes counts from what the process holds now; false when the kernel cannot.
bool ResetPeakResidentBytes();

}  // namespace qalm::bench
