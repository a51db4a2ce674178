// An NT hive file read through libhivex, never written: every key, value name,
// type and byte of data, as the stand-in's registry holds them (names in
// UTF-8, string data narrowed from UTF-16 as a Unicode export's is).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win32sim/registry.h"

struct hive_h;

namespace qalm {

struct HiveValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;  // as stored
};

// A key directly below the hive's root that loads under another name.
struct RenamedKey {
    std::string name;  // in the hive, in any letter case
    std::string as;
};

class NtHive {
public:
    // shownAs names the hive's root in messages, such as "HKLM\SYSTEM".
    // Throws OfflineError when libhivex cannot open the file as a hive.
    NtHive(std::string file, std::string shownAs);
    ~NtHive();
    NtHive(const NtHive&) = delete;
    NtHive& operator=(const NtHive&) = delete;

    const std::string& File() const { return file_; }

    // The names of a key's subkeys; path is relative to the root, "" for the
    // root. Throws OfflineError when the key is absent or cannot be read.
    std::vector<std::string> SubkeyNames(std::string_view path) const;
    // nullopt when the key or the value is absent.
    std::optional<HiveValue> FindValue(std::string_view keyPath, std::string_view name) const;

    // Every key below the root, with its values, below the registry's key
    // mountKey (made when absent), and the root's values in it. Throws
    // OfflineError naming the file and the key for anything libhivex cannot
    // read, a key listed twice, two subkeys or two values of one name, or a
    // name the registry does not take.
    void LoadInto(win32sim::Registry& registry, std::string_view mountKey,
                  const std::vector<RenamedKey>& renamed = {}) const;

private:
    [[noreturn]] void Fail(std::string_view path, const std::string& problem) const;
    size_t FindNode(std::string_view path) const;  // 0 when absent

    std::string file_;
    std::string shownAs_;
    std::string cutShort_;  // said with every error: "" unless the file is shorter than its base block says
    hive_h* hive_ = nullptr;

    friend class NtHiveWalk;
};

}  // namespace qalm
