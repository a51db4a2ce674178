// Scans of text eight bytes at a time: loading and writing an export looks at
// every byte of every name and string, and most bytes are none of those sought.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are read low byte first");

namespace win32sim {
namespace byte_scan {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

inline uint64_t WordAt(const char* at)
{
    uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// The high bit set in exactly the zero bytes of the word.
constexpr uint64_t ZeroBytes(uint64_t word)
{
    constexpr uint64_t low = ~kHighBits;
    return ~(((word & low) + low) | word | low);
}

}  // namespace byte_scan

// No byte above 0x7F.
inline bool IsAscii(std::string_view text)
{
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        if (byte_scan::WordAt(text.data() + i) & byte_scan::kHighBits)
            return false;
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    }
    return true;
}

// The place of the first byte that is one of Sought, or text.size() when none is.
template <char... Sought>
size_t FindAnyOf(std::string_view text)
{
    using namespace byte_scan;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        const uint64_t word = WordAt(text.data() + i);
        const uint64_t found = (ZeroBytes(word ^ (kOnes * static_cast<unsigned char>(Sought))) | ...);
        if (found)
            return i + static_cast<size_t>(__builtin_ctzll(found)) / 8;  // the first byte is the lowest
    }
    for (; i < text.size(); ++i) {
        if (((text[i] == Sought) || ...))
            return i;
    }
    return text.size();
}

// How many bytes are c.
template <char C>
size_t CountOf(std::string_view text)
{
    using namespace byte_scan;
    size_t count = 0;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        // One bit a match, at the bottom of its byte: the product adds the bytes up in the top one.
        const uint64_t matches = ZeroBytes(WordAt(text.data() + i) ^ (kOnes * static_cast<unsigned char>(C))) >> 7;
        count += static_cast<size_t>((matches * kOnes) >> 56);
    }
    for (; i < text.size(); ++i)
        count += text[i] == C;
    return count;
}

// The length of the longest common start of a and b.
inline size_t CommonStart(std::string_view a, std::string_view b)
{
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    size_t i = 0;
    for (; i + 8 <= common; i += 8) {
        const uint64_t differ = byte_scan::WordAt(a.data() + i) ^ byte_scan::WordAt(b.data() + i);
        if (differ)
            return i + static_cast<size_t>(__builtin_ctzll(differ)) / 8;
    }
    while (i < common && a[i] == b[i])
        ++i;
    return i;
}

}  // namespace win32sim
