// The removals made through the one handle that writes the hive.
#pragma once

#include "hive_handle.h"
#include "hive_header.h"
#include "removal_plan.h"

namespace offline {

// Throws ApplyError at the first call libhivex refuses, or before a change it
// could not make faithfully; the handle must then be closed without a commit,
// since libhivex may already have changed its copy in memory.
void WriteRemovals(HiveHandle& hive, const FoundRemovals& removals, const BaseBlock& base);

}  // namespace offline
