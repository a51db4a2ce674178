// The SOFTWARE part of a generated machine as an NT hive file, imported by
// chntpw's reged as the tests make theirs (libhivex, which never reuses the
// space of a subkey list it replaces, would make it ten times the size), and
// the product's removal from it as the preview finds it, in a file beside it.
#pragma once

#include <string>

#include "hive_apply.h"
#include "win32sim/registry.h"

namespace qalm::bench {

// Writes every key and value under HKLM\SOFTWARE into a copy of the minimal hive.
void WriteSoftwareHive(const win32sim::Registry& registry, const std::string& hivePath);

// The removal, one line each: "key<TAB>path" or "value<TAB>key path<TAB>name",
// paths relative to SOFTWARE.
void WriteRemovals(const offline::HiveChanges& changes, const std::string& path);
offline::HiveChanges ReadRemovals(const std::string& path, const std::string& hivePath);

}  // namespace qalm::bench
