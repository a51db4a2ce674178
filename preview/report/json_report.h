// The report as one JSON document, for scripts: the same facts as the text
// report, with error codes and value types both as numbers and as names.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "run/preview.h"

namespace qalm {

// extraMembers: more members of the document for tools built on the preview,
// each written as ",\n  \"name\": value", after the preview's own.
void WriteJsonReport(const PreviewResult& result, std::ostream& out, std::string_view extraMembers = "");

// A JSON string literal; bytes that are not UTF-8 are read as Latin-1.
std::string JsonString(std::string_view text);

// A JSON array of string literals, on one line.
std::string JsonStrings(const std::vector<std::string>& items);

}  // namespace qalm
