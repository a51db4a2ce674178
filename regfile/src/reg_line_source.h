// Lines of a .reg file, whatever its encoding: ANSI and UTF-8 bytes are passed
// through, UTF-16LE (with its byte-order mark) is turned into UTF-8.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

namespace qalm {

enum class RegEncoding { Bytes, Utf8WithBom, Utf16Le };

class RegLineSource {
public:
    explicit RegLineSource(std::istream& in);

    // The next line without its line break, valid until the next call; false at the end.
    bool Next(std::string_view& line);
    size_t LineNumber() const { return lineNumber_; }
    bool LineHoldsNul() const { return lineHoldsNul_; }  // the line Next gave, which text never does
    RegEncoding Encoding() const { return encoding_; }

private:
    void DetectEncoding();
    bool Refill();  // appends decoded text to text_; false when the input is exhausted
    void AppendUtf16(const char* bytes, size_t count, bool final);

    std::istream& in_;
    RegEncoding encoding_ = RegEncoding::Bytes;
    std::string text_;                // decoded, not yet returned
    size_t position_ = 0;             // start of the next line in text_
    std::string chunk_;               // raw UTF-16 bytes as read
    std::string pending_;             // UTF-16 bytes that end in the middle of a character
    size_t nul_ = std::string::npos;  // the first NUL in text_ at or after position_
    size_t lineNumber_ = 0;
    bool lineHoldsNul_ = false;
    bool exhausted_ = false;
};

}  // namespace qalm
