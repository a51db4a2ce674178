// Writes a registry as a .reg file that the reader, regedit and Wine's
// regedit import again: keys depth first in the order the registry enumerates
// them, each key's values in the registry's order (sorted by name).
#pragma once

#include <ostream>

#include "win32sim/registry.h"

namespace qalm {

enum class RegFileFormat {
    Regedit4,  // bytes as stored, LF line ends: what --after writes
    Unicode,   // "Windows Registry Editor Version 5.00", UTF-16LE with CRLF, as `reg export` writes
};

void WriteRegFile(const win32sim::Registry& registry, std::ostream& out, RegFileFormat format);

inline void WriteRegedit4(const win32sim::Registry& registry, std::ostream& out)
{
    WriteRegFile(registry, out, RegFileFormat::Regedit4);
}

}  // namespace qalm
