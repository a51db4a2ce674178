// A Windows 9x SYSTEM.DAT read through libcreg, never written: the whole of
// that machine's HKEY_LOCAL_MACHINE. Names and string data stay the bytes
// the file holds, in the machine's ANSI code page, as a REGEDIT4 export of it
// would give them; string data keeps the length stored, terminator or not.
#pragma once

#include <string>

#include "win32sim/registry.h"

namespace qalm {

// Every key and value of the file below the registry's root. Throws
// OfflineError naming the file and the key for anything libcreg cannot read,
// two subkeys or two values of one name, or a name the registry does not take.
void Load9xRegistry(const std::string& file, win32sim::Registry& registry);

}  // namespace qalm
