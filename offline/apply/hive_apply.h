// Writes removals into NT hive files: every hive is changed in a copy,
// verified, and only then put in place, the original kept as a backup.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace offline {

struct ValueRemoval {
    std::string keyPath;
    std::string valueName;
};

struct HiveChanges {
    std::string file;                      // the hive file to change
    std::vector<std::string> removedKeys;  // subtrees, paths relative to the hive's root, '\\'-separated, UTF-8, e.g.
                                           // "ControlSet001\\Services\\QalmPort"
    std::vector<ValueRemoval> removedValues;
};

struct AppliedHive {
    std::string file;
    std::string backup;
};

class ApplyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// All hives prepared and verified before any is renamed; throws offline::ApplyError (what() names file and key) with
// nothing written.
std::vector<AppliedHive> ApplyHiveChanges(const std::vector<HiveChanges>& hives);

}  // namespace offline
