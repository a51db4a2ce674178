// Registry paths: key names separated by single backslashes.
#pragma once

#include <string_view>
#include <vector>

namespace win32sim {

// Splits a path into its key names; one trailing backslash is accepted and ""
// has no names. False when a name is empty ("A\\B", "\A", "A\\").
bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& names);

}  // namespace win32sim
