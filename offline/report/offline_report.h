// The report of qalm-offline: the preview's own report of each run, with
// what was read, which control set was current, what an offline run cannot
// do, and what was written.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "apply/hive_apply.h"
#include "detect/windows_version.h"
#include "hives/control_sets.h"
#include "input/hive_files.h"
#include "run/offline_run.h"

namespace qalm {

struct OfflineReport {
    const HiveFiles& files;                   // the hives read
    const std::optional<ControlSets>& sets;   // as the SYSTEM hive records them
    std::optional<DetectedVersion> detected;  // nullopt: given with --os
    const OfflineRun& run;
    std::vector<std::string> warnings;  // about the hives read, such as one that is not clean
    bool allControlSets = false;
    bool applied = false;                       // --apply, and it went through
    std::vector<offline::AppliedHive> written;  // with --apply: every hive written
};

void WriteOfflineTextReport(const OfflineReport& report, std::ostream& out);
void WriteOfflineJsonReport(const OfflineReport& report, std::ostream& out);

// A path as a POSIX shell reads it, in single quotes.
std::string ShellQuoted(const std::string& path);

}  // namespace qalm
