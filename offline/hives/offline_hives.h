// The hives of one installation, opened once and loaded into the stand-in's
// registry as often as a run needs, each time with a given control set as
// CurrentControlSet.
#pragma once

#include <memory>
#include <optional>

#include "hives/control_sets.h"
#include "hives/hive_layout.h"
#include "hives/nt_hive.h"
#include "input/hive_files.h"
#include "win32sim/registry.h"

namespace qalm {

class OfflineHives {
public:
    // Opens the NT hives and reads the SYSTEM hive's control sets. Throws
    // OfflineError naming the file (and the key) that cannot be used.
    explicit OfflineHives(HiveFiles files);

    const HiveFiles& Files() const { return files_; }
    // With a SYSTEM hive; nullopt for 9x, or SOFTWARE alone.
    const std::optional<ControlSets>& Sets() const { return sets_; }
    unsigned CurrentSet() const { return sets_ ? sets_->current : 0; }

    // Every key and value of the hives; currentSet (one of Sets().present)
    // loads as SYSTEM\CurrentControlSet, the other sets as they are.
    win32sim::Registry Load(unsigned currentSet) const;
    HiveLayout Layout(unsigned currentSet) const { return HiveLayout(files_.family, currentSet); }

private:
    HiveFiles files_;
    std::unique_ptr<NtHive> system_;
    std::unique_ptr<NtHive> software_;
    std::optional<ControlSets> sets_;
};

}  // namespace qalm
