// An export in no particular order, as files merged from several exports or
// written by tools are: keys in random order, and values in random order
// inside each key.
#pragma once

#include <ostream>

#include "win32sim/registry.h"

namespace qalm::bench {

void WriteShuffledExport(const win32sim::Registry& registry, std::ostream& out);

}  // namespace qalm::bench
