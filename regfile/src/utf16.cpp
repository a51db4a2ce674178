#include "regfile/utf16.h"

#include "byte_scan.h"
#include "regfile/printable.h"

namespace qalm {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

size_t DecodeUtf16Le(const unsigned char* bytes, size_t count, bool final, std::string& out)
{
    const auto unitAt = [&](size_t i) { return static_cast<char32_t>(bytes[i] | (bytes[i + 1] << 8)); };
    size_t i = 0;
    while (i + 1 < count) {
        const char32_t unit = unitAt(i);
        if (IsHighSurrogate(unit)) {
            if (i + 3 >= count && !final)
                return i;  // its partner is in the next piece
            if (i + 3 < count && IsLowSurrogate(unitAt(i + 2))) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00));
                i += 4;
                continue;
            }
            AppendUtf8(out, kReplacementCharacter);
        } else if (IsLowSurrogate(unit)) {
            AppendUtf8(out, kReplacementCharacter);
        } else {
            AppendUtf8(out, unit);
        }
        i += 2;
    }
    if (i < count && final) {
        AppendUtf8(out, kReplacementCharacter);
        i = count;
    }
    return i;
}

void Utf16LeToUtf8(const BYTE* data, size_t size, std::vector<BYTE>& out)
{
    if (size % 2 != 0) {
        out.assign(data, data + size);
        return;
    }
    // Most string data is ASCII, each unit's low byte the character: the rest decodes from the first that is not.
    const size_t units = size / 2;
    out.resize(units);
    // Written through a pointer, not out[]: a byte written there could be out's
    // own size for all the compiler knows, which it would then read again each time.
    BYTE* const narrow = out.data();
    size_t ascii = 0;
#if defined(__SSE2__)
    // Eight units at a time while none is above 0x7F, each narrowed to its low byte.
    const __m128i outsideAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; ascii + 8 <= units; ascii += 8) {
        const __m128i block = byte_scan::BlockAt(reinterpret_cast<const char*>(data + 2 * ascii));
        const __m128i inside = _mm_cmpeq_epi16(_mm_and_si128(block, outsideAscii), _mm_setzero_si128());
        if (_mm_movemask_epi8(inside) != 0xFFFF)
            break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(narrow + ascii), _mm_packus_epi16(block, block));
    }
#endif
    for (; ascii < units && data[2 * ascii] < 0x80 && data[2 * ascii + 1] == 0; ++ascii)
        narrow[ascii] = data[2 * ascii];
    if (ascii == units)
        return;
    std::string text(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(ascii));
    DecodeUtf16Le(data + 2 * ascii, size - 2 * ascii, true, text);
    out.assign(text.begin(), text.end());
}

std::vector<BYTE> Utf16LeToUtf8(const std::vector<BYTE>& data)
{
    std::vector<BYTE> narrow;
    Utf16LeToUtf8(data.data(), data.size(), narrow);
    return narrow;
}

void AppendUtf16Le(std::string& out, std::string_view utf8)
{
    const auto unit = [&out](char32_t value) {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8);
    };
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = Utf8CharacterLength(utf8, i);
        if (length <= 1) {
            unit(lead);
            ++i;
            continue;
        }
        char32_t c = lead & (0xFF >> (length + 1));
        for (size_t k = 1; k < length; ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
        i += length;
    }
}

std::vector<BYTE> Utf8ToUtf16Le(const std::vector<BYTE>& data)
{
    std::string wide;
    AppendUtf16Le(wide, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    return std::vector<BYTE>(wide.begin(), wide.end());
}

}  // namespace qalm
