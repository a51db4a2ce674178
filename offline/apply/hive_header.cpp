#include "hive_header.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "hive_apply.h"
#include "regfile/printable.h"

namespace offline {
namespace {

constexpr size_t kBaseBlockChecked = 512;  // the checksum covers the first 127 dwords, stored in the 128th
constexpr size_t kPrimarySequence = 4;
constexpr size_t kSecondarySequence = 8;
constexpr size_t kMinorVersion = 0x18;
constexpr size_t kChecksum = 508;
constexpr size_t kBinsLength = 0x28;  // of the bins that follow the base block
constexpr size_t kBaseBlock = 4096;

uint32_t Dword(const unsigned char* bytes, size_t offset)
{
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// The file's first bytes, as many of the block's as it holds.
size_t ReadBaseBlock(const std::string& file, unsigned char (&block)[kBaseBlockChecked])
{
    const std::string name = qalm::Printable(file);
    const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw ApplyError("cannot read " + name + ": " + std::strerror(errno));
    size_t got = 0;
    while (got < sizeof block) {
        const ssize_t n = read(descriptor, block + got, sizeof block - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            close(descriptor);
            throw ApplyError("cannot read " + name + ": " + std::strerror(error));
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(descriptor);
    return got;
}

const char* const kHowToClean =
    ". Starting that Windows once (and shutting it down normally), or replaying its logs with a tool made for that, "
    "makes it clean";

}  // namespace

BaseBlock CheckHiveIsClean(const std::string& file)
{
    const std::string name = qalm::Printable(file);
    unsigned char block[kBaseBlockChecked];
    const size_t got = ReadBaseBlock(file, block);
    if (got < sizeof block || std::memcmp(block, "regf", 4) != 0)
        throw ApplyError(name + " is not an NT registry hive (no \"regf\" base block)");

    const uint32_t primary = Dword(block, kPrimarySequence);
    const uint32_t secondary = Dword(block, kSecondarySequence);
    if (primary != secondary)
        throw ApplyError(name + " is not clean: its two sequence numbers differ (" + std::to_string(primary) + " and " +
                         std::to_string(secondary) + "), so its log files may hold changes that are not yet in it" +
                         kHowToClean);

    uint32_t checksum = 0;
    for (size_t offset = 0; offset < kChecksum; offset += 4)
        checksum ^= Dword(block, offset);
    // Windows writes 1 for a sum of 0 and 0xFFFFFFFE for 0xFFFFFFFF; libhivex writes the plain sum.
    const uint32_t adjusted = checksum == 0 ? 1 : checksum == 0xFFFFFFFF ? 0xFFFFFFFE : checksum;
    const uint32_t stored = Dword(block, kChecksum);
    if (stored != checksum && stored != adjusted)
        throw ApplyError(name + " is not clean: its base block's checksum is " + Hex(stored) +
                         " where its content gives " + Hex(checksum) +
                         ", so it was not written to the end, or was damaged" + kHowToClean);
    return BaseBlock{Dword(block, kMinorVersion)};
}

std::optional<HiveLength> CutShort(const std::string& file)
{
    unsigned char block[kBaseBlockChecked];
    try {
        if (ReadBaseBlock(file, block) < kBinsLength + 4)
            return std::nullopt;
    } catch (const ApplyError&) {
        return std::nullopt;  // the caller's own reading tells why
    }
    std::error_code error;
    const auto size = static_cast<size_t>(std::filesystem::file_size(file, error));
    const size_t declared = kBaseBlock + Dword(block, kBinsLength);
    if (error || size >= declared)
        return std::nullopt;
    return HiveLength{size, declared};
}

}  // namespace offline
