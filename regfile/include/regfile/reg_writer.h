// Writes a registry as a .reg file that the reader, regedit and Wine's
// regedit import again: keys depth first in the order the registry enumerates
// them, each key's values in the registry's order (sorted by name).
#pragma once

#include <ostream>

#include "win32sim/registry.h"

namespace qalm {

enum class RegFileFormat {
    Regedit4,  // bytes as stored, LF line ends
    Unicode,   // "Windows Registry Editor Version 5.00", UTF-16LE with CRLF, as `reg export` writes
};

void WriteRegFile(const win32sim::Registry& registry, std::ostream& out, RegFileFormat format);

// The format in which regedit reads this registry's text as the reader read it:
// REGEDIT4 while every key name, value name and string is ASCII; else Unicode,
// as the text of a Unicode export is held as UTF-8 and goes back to UTF-16
// unchanged. Text that does not (the bytes of a REGEDIT4 file in some ANSI
// code page) keeps REGEDIT4, which writes the bytes back as they were read.
RegFileFormat ExactFormat(const win32sim::Registry& registry);

// What --after writes.
inline void WriteRegFileExactly(const win32sim::Registry& registry, std::ostream& out)
{
    WriteRegFile(registry, out, ExactFormat(registry));
}

inline void WriteRegedit4(const win32sim::Registry& registry, std::ostream& out)
{
    WriteRegFile(registry, out, RegFileFormat::Regedit4);
}

}  // namespace qalm
