// Where the stand-in's keys lie in the hive files, and back. On NT, SYSTEM
// and SOFTWARE are hives of their own, CurrentControlSet is the numbered set
// that was current when loaded, and HARDWARE lies in no file; on 9x,
// SYSTEM.DAT holds the whole of HKEY_LOCAL_MACHINE.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "input/hive_files.h"

namespace qalm {

struct HiveKey {
    HiveKind hive;
    std::string path;  // relative to the hive's root, "" for the root
};

class HiveLayout {
public:
    // currentSet: the control set loaded as CurrentControlSet, 0 for none.
    HiveLayout(WindowsFamily family, unsigned currentSet) : family_(family), currentSet_(currentSet) {}

    // The key of the stand-in (relative to HKEY_LOCAL_MACHINE) in its hive;
    // nullopt for a key in no hive, or a hive's root itself on NT.
    std::optional<HiveKey> ToHive(std::string_view machinePath) const;
    std::string ToMachine(const HiveKey& key) const;

    unsigned CurrentSet() const { return currentSet_; }

private:
    WindowsFamily family_;
    unsigned currentSet_;
};

// The key a hive loads as: "SYSTEM", "SOFTWARE", or "" (the root) for SYSTEM.DAT.
const char* MountKey(HiveKind kind);

// How messages and reports name a hive's key: "HKLM\SYSTEM\ControlSet001\Services".
std::string ShownHiveKey(const HiveKey& key);

}  // namespace qalm
