// Finding the hive files of a Windows installation that is not running: in a
// mounted partition, in its Windows folder, or given one by one.
#pragma once

#include <string>
#include <vector>

#include "detect/windows_version.h"

namespace qalm {

enum class HiveKind {
    System,    // NT: HKLM\SYSTEM
    Software,  // NT: HKLM\SOFTWARE
    System9x,  // 9x: SYSTEM.DAT, the whole of HKLM
};

const char* HiveFileName(HiveKind kind);  // "SYSTEM", "SOFTWARE", "SYSTEM.DAT"

struct HiveFile {
    HiveKind kind;
    std::string path;
};

struct HiveFiles {
    WindowsFamily family = WindowsFamily::Nt;
    std::vector<HiveFile> files;  // at most one of each kind, all of one family

    const HiveFile* Find(HiveKind kind) const;
};

// Each path is a folder holding WINDOWS or WINNT, a Windows folder, or a hive
// file known by its name (SYSTEM, SOFTWARE, SYSTEM.DAT); names are matched
// without regard to letter case, and every file must start as its format
// does ("regf", "CREG"). Throws OfflineError naming the path and what is wrong.
HiveFiles FindHiveFiles(const std::vector<std::string>& paths);

}  // namespace qalm
