// The removed keys and values drawn as a tree of the keys above them, for the
// text report: a removed subtree is one line with its counts, and a chain of
// keys with nothing else in between is one line ("SYSTEM\CurrentControlSet").
#pragma once

#include <string>
#include <vector>

#include "run/registry_changes.h"

namespace qalm {

// One line each, indented by two spaces a level, counts aligned; no line breaks.
std::vector<std::string> RemovalTreeLines(const RegistryChanges& changes);

// "1 key, 7 values", "3 keys"
std::string CountText(size_t keys, size_t values);

}  // namespace qalm
