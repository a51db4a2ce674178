// Writes removals into NT hive files that no running Windows holds open.
//
// Each changed hive goes through one libhivex handle, is committed to a new
// file beside it, flushed, read back and compared with what the removals must
// leave; only when every hive has passed is any of them replaced, the original
// kept under a backup name. Until then nothing the user has is touched.
#pragma once

#include <functional>
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
    std::vector<std::string> removedKeys;  // subtrees, paths relative to the hive's root, '\\'-separated, UTF-8
    std::vector<ValueRemoval> removedValues;
};

struct AppliedHive {
    std::string file;
    std::string backup;  // the original, byte for byte; renaming it back undoes the change
};

// A hive that cannot be changed safely. what() names the file and, where there is one, the key.
class ApplyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The durable steps of an apply, in the order they happen: every hive is
// Verified, then every original gets its BackupKept, then every hive is Replaced.
enum class ApplyStep { Verified, BackupKept, Replaced };

struct ApplyOptions {
    // Called after each step for the hive file it concerns. Tests use it to stop
    // the process at each step and check what a crash there would leave.
    std::function<void(ApplyStep, const std::string& file)> afterStep;
};

// All hives prepared and verified before any is renamed. A hive without
// changes is not touched and not listed in the result. On ApplyError nothing
// the caller had is changed: no hive replaced, no backup left behind.
// Each hive's writing handle lives in a child process of its own (libhivex
// aborts on some damaged hives); Ctrl-C, SIGTERM, SIGHUP and SIGQUIT are held
// back while it runs and take effect when it returns or throws.
std::vector<AppliedHive> ApplyHiveChanges(const std::vector<HiveChanges>& hives);
std::vector<AppliedHive> ApplyHiveChanges(const std::vector<HiveChanges>& hives, const ApplyOptions& options);

}  // namespace offline
