// A machine shaped like a real HKEY_LOCAL_MACHINE: COM classes, installer
// components, services and PCI devices, with the modem's keys among them,
// and exactly the number of keys and values asked for.
#pragma once

#include <cstddef>

#include "win32sim/registry.h"

namespace qalm::bench {

void BuildRealisticMachine(win32sim::Registry& registry, size_t keys, size_t values);

}  // namespace qalm::bench
