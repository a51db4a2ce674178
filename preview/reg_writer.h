// Writes a registry as a REGEDIT4 file that the reader, regedit and Wine's
// regedit import again: keys depth first in the order the registry enumerates
// them, each key's values in the registry's order (sorted by name).
#pragma once

#include <ostream>

#include "win32sim/registry.h"

namespace qalm {

void WriteRegedit4(const win32sim::Registry& registry, std::ostream& out);

}  // namespace qalm
