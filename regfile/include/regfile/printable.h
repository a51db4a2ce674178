// Registry text shown to people: in errors, reports and file names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qalm {

// The length of the valid UTF-8 character at text[i], or 0 when the byte there starts none.
size_t Utf8CharacterLength(std::string_view text, size_t i);

// Text for a terminal: control characters and bytes that are not UTF-8 as \xNN.
std::string Printable(std::string_view text);

}  // namespace qalm
