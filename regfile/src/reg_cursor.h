// A position in one line of a .reg file, with the small steps its grammar needs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "regfile/printable.h"
#include "win32sim/registry.h"

namespace qalm {

// The digit's value, or -1 for a character that is no hex digit.
inline int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

inline bool IsHexDigit(char c) { return HexValue(c) >= 0; }

class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return position_ >= text_.size(); }
    char Peek() const { return text_[position_]; }
    void Advance() { ++position_; }
    void Skip(size_t count) { position_ += count; }
    std::string_view Rest() const { return text_.substr(position_); }

    void SkipSpaces()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t'))
            ++position_;
    }
    bool Consume(char c)
    {
        if (AtEnd() || Peek() != c)
            return false;
        ++position_;
        return true;
    }
    bool ConsumeIgnoringCase(std::string_view word)
    {
        if (!win32sim::EqualsIgnoringCase(text_.substr(position_, word.size()), word))
            return false;
        position_ += word.size();
        return true;
    }
    // Up to maxDigits hex digits as a number; false when there is none.
    bool ConsumeHex(size_t maxDigits, unsigned long& number)
    {
        size_t digits = 0;
        number = 0;
        while (!AtEnd() && IsHexDigit(Peek()) && digits < maxDigits) {
            number = number * 16 + static_cast<unsigned long>(HexValue(Peek()));
            ++position_;
            ++digits;
        }
        return digits > 0;
    }
    bool OnlySpacesLeft()
    {
        SkipSpaces();
        return AtEnd();
    }

private:
    std::string_view text_;
    size_t position_ = 0;
};

// What stands at the cursor, for the error message.
inline std::string Found(const Cursor& cursor)
{
    if (cursor.AtEnd())
        return "the end of the line";
    constexpr size_t kShown = 24;
    std::string_view rest = cursor.Rest();
    std::string shown = "\"" + Printable(rest.substr(0, kShown));
    if (rest.size() > kShown)
        shown += "...";
    return shown + "\"";
}

}  // namespace qalm
