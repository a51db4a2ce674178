#include "name_index.h"
#include "ordered_chain.h"
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

}  // namespace

uint32_t HashName(const void* owner, std::string_view name)
{
    uint64_t hash = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(owner)) * 0x9E3779B97F4A7C15u;
    for (char c : name)
        hash = (hash ^ Fold(c)) * 0x100000001B3u;
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

uint32_t FourFolded(std::string_view name, size_t from)
{
    uint32_t four = 0;
    for (size_t i = from; i < from + 4; ++i)
        four = (four << 8) | (i < name.size() ? Fold(name[i]) : 0);
    return four;
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
