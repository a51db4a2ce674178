// The report for a terminal: platform and mode, the requests to the device
// installer and the service control manager, the removals as a tree, what
// the program printed and its exit code.
#pragma once

#include <ostream>

#include "run/preview.h"

namespace qalm {

void WriteTextReport(const PreviewResult& result, std::ostream& out);

}  // namespace qalm
