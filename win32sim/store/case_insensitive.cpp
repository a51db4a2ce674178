#include "name_index.h"
#include "ordered_chain.h"
#include "win32sim/byte_scan.h"
#include "win32sim/registry.h"

namespace win32sim {

namespace {

// Only ASCII letters fold, and they fold to upper case as the platform's
// registry does: '_' sorts after 'Z', so after every letter.
unsigned char Fold(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

// Eight characters folded at once: each byte from 'a' to 'z' loses 0x20.
uint64_t FoldedWord(uint64_t word)
{
    constexpr uint64_t high = 0x8080808080808080u;
    const uint64_t raised = word | high;  // no byte borrows from the next below
    const uint64_t fromA = raised - 0x6161616161616161u;
    const uint64_t pastZ = raised - 0x7B7B7B7B7B7B7B7Bu;
    const uint64_t lower = fromA & ~pastZ & ~word & high;
    return word - (lower >> 2);
}

}  // namespace

uint32_t HashName(const void* owner, std::string_view name)
{
    constexpr uint64_t mix = 0x9E3779B97F4A7C15u;
    uint64_t hash = (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(owner)) ^ name.size()) * mix;
    size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
        hash = (hash ^ FoldedWord(byte_scan::WordAt(name.data() + i))) * mix;
        hash ^= hash >> 29;
    }
    if (i < name.size()) {
        uint64_t tail = 0;
        for (unsigned shift = 0; i < name.size(); ++i, shift += 8)
            tail |= uint64_t(Fold(name[i])) << shift;
        hash = (hash ^ tail) * mix;
    }
    hash ^= hash >> 32;
    hash *= 0xD6E8FEB86659FD93u;
    return static_cast<uint32_t>(hash >> 32);
}

size_t SharedPrefixIgnoringCase(std::string_view a, std::string_view b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && Fold(a[i]) == Fold(b[i]))
        ++i;
    return i;
}

uint64_t EightFolded(std::string_view name, size_t from)
{
    if (from + 8 <= name.size())  // the first character goes to the highest byte
        return __builtin_bswap64(FoldedWord(byte_scan::WordAt(name.data() + from)));
    uint64_t eight = 0;
    for (size_t i = from; i < from + 8; ++i)
        eight = (eight << 8) | (i < name.size() ? Fold(name[i]) : 0);
    return eight;
}

int CompareNames(std::string_view a, std::string_view b)
{
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        unsigned char x = Fold(a[i]);
        unsigned char y = Fold(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const { return CompareNames(a, b) < 0; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    if (a == b)  // most often spelt alike
        return true;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    }
    return true;
}

}  // namespace win32sim
