// The proof that a written hive holds what it should: read back through
// libhivex and compared, key by key and value by value, with the original as
// libhivex reads it, less what was removed.
#pragma once

#include "hive_handle.h"
#include "removal_plan.h"

namespace offline {

// Throws ApplyError naming the first key where written differs from original
// with removals taken away: a key's name, its subkeys, or a value's name,
// type or data.
void CompareWithExpected(const HiveHandle& original, const FoundRemovals& removals, const HiveHandle& written);

}  // namespace offline
