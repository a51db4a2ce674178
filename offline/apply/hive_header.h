// The hive's base block, checked before libhivex sees the file: libhivex opens
// a hive whose log still holds changes without a word, and a commit would then
// make it look clean and lose them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace offline {

struct BaseBlock {
    uint32_t minorVersion;  // 3 on NT 4; from 4 on (XP) data over 16,344 bytes must be stored in pieces
};

// Throws ApplyError unless the file starts with a base block whose two
// sequence numbers agree and whose checksum is right.
BaseBlock CheckHiveIsClean(const std::string& file);

struct HiveLength {
    size_t file;      // bytes the file holds
    size_t declared;  // the base block and the bins it declares
};

// Set when the file is shorter than its base block declares: copied off a
// failing disk, or not to the end. libhivex then answers only with an errno.
std::optional<HiveLength> CutShort(const std::string& file);

}  // namespace offline
