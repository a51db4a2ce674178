// Scans of text sixteen bytes at a time where the processor has SSE2, eight
// elsewhere: loading and writing an export looks at every byte of every name
// and string, and most bytes are none of those sought. A scan's last bytes
// are read as one whole block ending at the text's end: the part of it
// scanned already holds nothing sought.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
inline __m128i BlockAt(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// One bit a byte, the first byte's lowest: set where the byte is one of Sought.
template <char... Sought>
unsigned MatchMask(const char* at)
{
    const __m128i block = BlockAt(at);
    return static_cast<unsigned>(_mm_movemask_epi8((... | _mm_cmpeq_epi8(block, _mm_set1_epi8(Sought)))));
}
#endif

}  // namespace byte_scan

// No byte above 0x7F.
inline bool IsAscii(std::string_view text)
{
    const char* const at = text.data();
    const size_t size = text.size();
    size_t i = 0;
#if defined(__SSE2__)
    if (size >= 16) {
        for (; i + 16 <= size; i += 16) {
            if (_mm_movemask_epi8(byte_scan::BlockAt(at + i)))
                return false;
        }
        return i == size || !_mm_movemask_epi8(byte_scan::BlockAt(at + size - 16));
    }
#endif
    if (size >= 8) {
        for (; i + 8 <= size; i += 8) {
            if (byte_scan::WordAt(at + i) & byte_scan::kHighBits)
                return false;
        }
        return i == size || !(byte_scan::WordAt(at + size - 8) & byte_scan::kHighBits);
    }
    for (; i < size; ++i) {
        if (static_cast<unsigned char>(at[i]) >= 0x80)
            return false;
    }
    return true;
}

// The place of the first byte that is one of Sought, or text.size() when none is.
template <char... Sought>
size_t FindAnyOf(std::string_view text)
{
    using namespace byte_scan;
    const char* const at = text.data();
    const size_t size = text.size();
    size_t i = 0;
#if defined(__SSE2__)
    if (size >= 16) {
        for (; i + 16 <= size; i += 16) {
            if (const unsigned found = MatchMask<Sought...>(at + i))
                return i + static_cast<size_t>(__builtin_ctz(found));
        }
        if (i == size)
            return size;
        const unsigned found = MatchMask<Sought...>(at + size - 16);
        return found ? size - 16 + static_cast<size_t>(__builtin_ctz(found)) : size;
    }
#endif
    const auto inWord = [](uint64_t word) {
        return (ZeroBytes(word ^ (kOnes * static_cast<unsigned char>(Sought))) | ...);
    };
    if (size >= 8) {
        for (; i + 8 <= size; i += 8) {
            if (const uint64_t found = inWord(WordAt(at + i)))
                return i + static_cast<size_t>(__builtin_ctzll(found)) / 8;  // the first byte is the lowest
        }
        if (i == size)
            return size;
        const uint64_t found = inWord(WordAt(at + size - 8));
        return found ? size - 8 + static_cast<size_t>(__builtin_ctzll(found)) / 8 : size;
    }
    for (; i < size; ++i) {
        if (((at[i] == Sought) || ...))
            return i;
    }
    return size;
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
#if defined(__SSE2__)
    const auto differ = [&](size_t from) {
        const __m128i same = _mm_cmpeq_epi8(byte_scan::BlockAt(a.data() + from), byte_scan::BlockAt(b.data() + from));
        return static_cast<unsigned>(_mm_movemask_epi8(same)) ^ 0xFFFFu;
    };
    if (common >= 16) {
        for (; i + 16 <= common; i += 16) {
            if (const unsigned mask = differ(i))
                return i + static_cast<size_t>(__builtin_ctz(mask));
        }
        if (i == common)
            return common;
        const unsigned mask = differ(common - 16);
        return mask ? common - 16 + static_cast<size_t>(__builtin_ctz(mask)) : common;
    }
#endif
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
