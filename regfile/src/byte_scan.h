// Scans of text sixteen bytes at a time where the processor has SSE2, eight
// elsewhere: loading and writing an export looks at every byte of every name
// and string, and most bytes are none of those sought.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are read low byte first");

namespace qalm {
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

// The first byte of size (at least Width) that found(from) marks in the
// block of Width bytes starting at from, or size when it marks none. A mark
// is a set bit, BitsPerByte bits a byte, the first byte's lowest. The last
// block ends with the text: the part of it looked at already holds no mark.
template <size_t Width, unsigned BitsPerByte, class Found>
size_t FirstMarked(size_t size, Found found)
{
    const auto place = [](size_t from, uint64_t marks) {
        return from + static_cast<size_t>(__builtin_ctzll(marks)) / BitsPerByte;
    };
    size_t from = 0;
    for (; from + Width <= size; from += Width) {
        if (const uint64_t marks = found(from))
            return place(from, marks);
    }
    if (from == size)
        return size;
    const uint64_t marks = found(size - Width);
    return marks ? place(size - Width, marks) : size;
}

#if defined(__SSE2__)
inline __m128i BlockAt(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
inline uint64_t HighBitsOf(__m128i block) { return static_cast<unsigned>(_mm_movemask_epi8(block)); }
#endif

}  // namespace byte_scan

// The place of the first byte that is one of Sought, or text.size() when none is.
template <char... Sought>
size_t FindAnyOf(std::string_view text)
{
    using namespace byte_scan;
    const char* const at = text.data();
#if defined(__SSE2__)
    if (text.size() >= 16) {
        return FirstMarked<16, 1>(text.size(), [at](size_t from) {
            const __m128i block = BlockAt(at + from);
            return HighBitsOf((... | _mm_cmpeq_epi8(block, _mm_set1_epi8(Sought))));
        });
    }
#endif
    if (text.size() >= 8) {
        return FirstMarked<8, 8>(text.size(), [at](size_t from) {
            const uint64_t word = WordAt(at + from);
            return (ZeroBytes(word ^ (kOnes * static_cast<unsigned char>(Sought))) | ...);
        });
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (((at[i] == Sought) || ...))
            return i;
    }
    return text.size();
}

// No byte above 0x7F.
inline bool IsAscii(std::string_view text)
{
    using namespace byte_scan;
    const char* const at = text.data();
#if defined(__SSE2__)
    if (text.size() >= 16)
        return FirstMarked<16, 1>(text.size(), [at](size_t from) { return HighBitsOf(BlockAt(at + from)); }) ==
               text.size();
#endif
    if (text.size() >= 8)
        return FirstMarked<8, 8>(text.size(), [at](size_t from) { return WordAt(at + from) & kHighBits; }) ==
               text.size();
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
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
    using namespace byte_scan;
    const size_t common = a.size() < b.size() ? a.size() : b.size();
#if defined(__SSE2__)
    if (common >= 16) {
        return FirstMarked<16, 1>(common, [&](size_t from) {
            return HighBitsOf(_mm_cmpeq_epi8(BlockAt(a.data() + from), BlockAt(b.data() + from))) ^ 0xFFFFu;
        });
    }
#endif
    if (common >= 8)
        return FirstMarked<8, 8>(common,
                                 [&](size_t from) { return WordAt(a.data() + from) ^ WordAt(b.data() + from); });
    size_t i = 0;
    while (i < common && a[i] == b[i])
        ++i;
    return i;
}

}  // namespace qalm
