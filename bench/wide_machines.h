// Machines whose keys have tens of thousands of siblings, as the Enum, Services
// and SOFTWARE\Classes branches of a well-used machine do, and the extremes:
// one key with a great many subkeys, one with a great many values. Each holds
// the modem's keys too, so that the program has something to remove.
#pragma once

#include <cstddef>

#include "win32sim/registry.h"

namespace qalm::bench {

// perBranch PCI devices, services, COM classes and file types: 7 keys and 11 values for each.
void BuildWideMachine(win32sim::Registry& registry, size_t perBranch);
void BuildManySubkeysMachine(win32sim::Registry& registry, size_t subkeys);
void BuildManyValuesMachine(win32sim::Registry& registry, size_t values);

}  // namespace qalm::bench
