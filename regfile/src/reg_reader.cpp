#include "regfile/reg_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "byte_scan.h"
#include "reg_cursor.h"
#include "reg_line_source.h"
#include "regfile/printable.h"
#include "regfile/utf16.h"
#include "win32sim/registry.h"

namespace qalm {
namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kMaxKeyDepth = 512;  // the platform's registry nests no deeper

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimSpaces(std::string_view text)
{
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    return text;
}

// Nothing but white space is left, or a ; comment after it: regedit takes one
// after any value and after the backslash that continues hex bytes.
bool OnlyCommentLeft(Cursor& cursor) { return cursor.OnlySpacesLeft() || cursor.Peek() == ';'; }

// A line whose hex bytes may go on below: a backslash ends it, or stands before its ; comment.
bool ContinuesBelow(std::string_view line)
{
    for (size_t at = line.find('\\'); at != std::string_view::npos; at = line.find('\\', at + 1)) {
        Cursor after(line.substr(at + 1));
        if (OnlyCommentLeft(after))
            return true;
    }
    return false;
}

bool IsKeyLine(std::string_view line)
{
    line = TrimSpaces(line);
    return !line.empty() && line.front() == '[';
}

enum class Format { Regedit4, Version5 };

// White space around the header is ignored, as regedit does.
std::optional<Format> HeaderFormat(std::string_view line)
{
    line = TrimSpaces(line);
    if (line == kRegedit4Header)
        return Format::Regedit4;
    if (line == kVersion5Header)
        return Format::Version5;
    return std::nullopt;
}

// Ends the reading whatever the rule for malformed lines.
class NotTextError : public RegReadError {
public:
    using RegReadError::RegReadError;
};

enum class RegRoot { LocalMachine, Other, Unknown };

RegRoot ClassifyRoot(std::string_view root)
{
    if (win32sim::EqualsIgnoringCase(root, "HKEY_LOCAL_MACHINE") || win32sim::EqualsIgnoringCase(root, "HKLM"))
        return RegRoot::LocalMachine;
    static constexpr std::string_view kOtherRoots[] = {"HKEY_CLASSES_ROOT",   "HKCR",
                                                       "HKEY_CURRENT_USER",   "HKCU",
                                                       "HKEY_USERS",          "HKU",
                                                       "HKEY_CURRENT_CONFIG", "HKCC",
                                                       "HKEY_DYN_DATA",       "HKEY_PERFORMANCE_DATA"};
    for (std::string_view other : kOtherRoots) {
        if (win32sim::EqualsIgnoringCase(root, other))
            return RegRoot::Other;
    }
    return RegRoot::Unknown;
}

class RegFileParser {
public:
    RegFileParser(std::istream& in, const std::string& fileName, RegSink& sink, MalformedLines malformed)
        : source_(in), fileName_(fileName), sink_(sink), malformed_(malformed)
    {
    }

    SkippedKeys Parse()
    {
        ReadHeader();
        std::string_view line;
        while (NextLine(line))
            ParseLine(line);
        return skipped_;
    }

private:
    enum class Target { NoKey, LocalMachineKey, SkippedKey, DeletedKey, LeftOutKey };

    [[noreturn]] void Fail(const std::string& problem) const
    {
        throw RegReadError(fileName_, source_.LineNumber() == 0 ? 1 : source_.LineNumber(), problem);
    }
    [[noreturn]] void Expected(const std::string& what, const Cursor& cursor) const
    {
        Fail("expected " + what + ", found " + Found(cursor));
    }

    // The next line; text holds no NUL, so one ends the reading, as the file is something else.
    bool NextLine(std::string_view& line)
    {
        if (!source_.Next(line))
            return false;
        if (source_.LineHoldsNul())
            throw NotTextError(fileName_, source_.LineNumber(),
                               "expected text, found a NUL character: this is not a text file");
        currentLine_ = line;
        return true;
    }

    void ReadHeader()
    {
        std::string_view line;
        if (!source_.Next(line))
            Fail("expected \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\", found an empty file");
        if (const std::optional<Format> format = HeaderFormat(line))
            format_ = *format;
        else if (line.size() >= 2 && (line[0] == '\0' || line[1] == '\0'))
            Fail("UTF-16 without a byte-order mark: regedit writes one; save the file again or add it");
        else
            Expected("\"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"", Cursor(TrimSpaces(line)));
    }

    void ParseLine(std::string_view line)
    {
        Cursor cursor(line);
        if (OnlyCommentLeft(cursor))
            return;
        if (leftOutContinues_ && IsHexDigit(cursor.Peek())) {
            leftOutContinues_ = ContinuesBelow(line);
            return;
        }
        leftOutContinues_ = false;

        const bool keyLine = cursor.Peek() == '[';
        const bool underSkippedRoot = keyLine ? NamesOtherRoot(cursor.Rest()) : target_ == Target::SkippedKey;
        const size_t lineNumber = source_.LineNumber();
        try {
            ParseContent(cursor);
        } catch (const NotTextError&) {
            throw;
        } catch (const RegReadError& error) {
            if (underSkippedRoot) {
                // What is skipped is not read; a mistake there is told with the skipped keys.
                if (skipped_.malformedLines++ == 0)
                    skipped_.firstMalformed = error.what();
                if (keyLine)
                    Skip(cursor.Rest().substr(1));
            } else if (malformed_ == MalformedLines::LeaveOut) {
                LeaveOut(error, keyLine, lineNumber);
            } else {
                throw;
            }
        }
    }

    // How a line that regedit cannot read is left out. Where regedit's
    // behaviour is not clear from its documentation and Wine's tests (which
    // Windows passes too), the choice is made here:
    // - The line goes, and reading goes on with the next one. A header line
    //   met again (two exports joined) is not left out but passed over, and
    //   changes nothing: the first header says how hex(2) and hex(7) text is read.
    // - A value whose hex bytes go on below a backslash takes the lines that
    //   continue it (those that begin with a hex digit) with it, unnamed:
    //   regedit reads no line that begins so.
    // - A value whose backslash follows a hex byte without a comma is left
    //   out, and the line below it read on its own, as regedit does.
    // - A continuation that does not begin with a hex digit, another
    //   backslash too, leaves the value out, and that line too, as regedit
    //   does: it is not read again as a key or a value.
    // - A key line left out takes the values below it with it, each named, up
    //   to the next key line, as regedit does for a root it does not know. For
    //   a line without its closing bracket, or one that begins "[ ", Wine's
    //   regedit would keep the key before open for them; here no value lands
    //   in a key it was not written under.
    // Where Wine's regedit shows what it does but its tests do not try Windows:
    // - Text after the last "]" of a key line is passed over, as Wine's
    //   regedit passes it over; a "]" in that text makes it part of the name.
    // - A dword needs a digit: "dword:;note" and "dword: ;note" are left out,
    //   where Wine's regedit would make them 0.
    // - hex(1) data gets its terminator as hex(2) and hex(7) data do (EndString).
    void LeaveOut(const RegReadError& error, bool keyLine, size_t firstLine)
    {
        std::string problem = error.Problem();
        if (error.Line() != firstLine)
            problem += "; the value of line " + std::to_string(firstLine) + " is left out with it";
        skipped_.AddLeftOut({fileName_, error.Line(), std::move(problem)});
        if (keyLine || IsKeyLine(currentLine_)) {
            target_ = Target::LeftOutKey;
            leftOutKeyLine_ = error.Line();
        }
        leftOutContinues_ = ContinuesBelow(currentLine_);
    }

    void ParseContent(Cursor& cursor)
    {
        try {
            switch (cursor.Peek()) {
            case '[':
                ParseKeyLine(cursor.Rest());
                break;
            case '"':
            case '@':
                ParseValueLine(cursor);
                break;
            default:
                if (IsRepeatedHeader(cursor.Rest()))
                    return;
                Expected("a [KEY] line, a \"name\"=value line or a ; comment", cursor);
            }
        } catch (const std::invalid_argument& refused) {
            Fail(refused.what());  // the registry refused a name the reader let through
        }
    }

    static bool IsRepeatedHeader(std::string_view line)
    {
        if (line.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
            line.remove_prefix(kUtf8ByteOrderMark.size());
        return HeaderFormat(line).has_value();
    }

    // A key line, well formed or not, whose root is one the reader skips.
    static bool NamesOtherRoot(std::string_view line)
    {
        line.remove_prefix(1);
        if (!line.empty() && line.front() == '-')
            line.remove_prefix(1);
        return ClassifyRoot(line.substr(0, FindAnyOf<'\\', ']'>(line))) == RegRoot::Other;
    }

    // "[ROOT\path]" or "[-ROOT\path]"; a key name may itself hold "]", so the last one closes.
    void ParseKeyLine(std::string_view line)
    {
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos)
            Fail("expected ] at the end of the key line");

        std::string_view inner = line.substr(1, close - 1);
        const bool deletion = !inner.empty() && inner.front() == '-';
        if (deletion)
            inner.remove_prefix(1);

        const size_t separator = FindAnyOf<'\\'>(inner);
        const std::string_view root = inner.substr(0, separator);
        std::string_view path = separator == inner.size() ? std::string_view() : inner.substr(separator + 1);
        if (!path.empty() && path.back() == '\\')
            path.remove_suffix(1);
        CheckKeyPath(path);

        switch (ClassifyRoot(root)) {
        case RegRoot::Unknown:
            Fail("expected a root key such as HKEY_LOCAL_MACHINE, found \"" + Printable(root) + "\"");
        case RegRoot::Other:
            Skip(inner);
            return;
        case RegRoot::LocalMachine:
            break;
        }

        if (deletion) {
            if (path.empty())
                Fail("expected a key below HKEY_LOCAL_MACHINE: the root itself cannot be deleted");
            sink_.DeleteKey(path);
            target_ = Target::DeletedKey;
        } else {
            sink_.OpenKey(path);
            target_ = Target::LocalMachineKey;
        }
    }

    void CheckKeyPath(std::string_view path) const
    {
        if (path.empty())
            return;
        size_t start = 0;
        for (size_t depth = 1;; ++depth) {
            if (depth > kMaxKeyDepth)
                Fail("expected a key at most " + std::to_string(kMaxKeyDepth) + " levels deep");
            const size_t end = start + FindAnyOf<'\\'>(path.substr(start));
            const std::string_view name = path.substr(start, end - start);
            if (name.empty())
                Fail("expected a key name between two backslashes");
            if (name.size() > win32sim::MaxKeyNameLength)
                Fail("expected a key name of at most " + std::to_string(win32sim::MaxKeyNameLength) +
                     " characters, found one of " + std::to_string(name.size()));
            if (end == path.size())
                return;
            start = end + 1;
        }
    }

    void Skip(std::string_view key)
    {
        if (skipped_.count == 0) {
            skipped_.firstFile = fileName_;
            skipped_.firstLine = source_.LineNumber();
            skipped_.firstKey = std::string(key);
        }
        ++skipped_.count;
        target_ = Target::SkippedKey;
    }

    void ParseValueLine(Cursor& cursor)
    {
        std::string_view name;
        if (!cursor.Consume('@')) {
            cursor.Advance();
            name = ReadQuoted(cursor, scratchName_, "the value name");
        }
        cursor.SkipSpaces();
        if (!cursor.Consume('='))
            Expected("= after the value name", cursor);
        cursor.SkipSpaces();

        if (target_ == Target::NoKey)
            Fail("expected a [KEY] line before the first value");
        if (target_ == Target::DeletedKey)
            Fail("expected a [KEY] line: a value cannot follow a key deletion");
        if (target_ == Target::LeftOutKey)
            Fail("left out with the key of line " + std::to_string(leftOutKeyLine_));
        const bool apply = target_ == Target::LocalMachineKey;

        if (cursor.Consume('-')) {
            if (!OnlyCommentLeft(cursor))
                Expected("the end of the line after =-", cursor);
            if (apply)
                sink_.DeleteValue(name);
            return;
        }

        DWORD type = REG_SZ;
        ParseData(cursor, type);
        if (apply)
            sink_.SetValue(name, type, data_);
    }

    // Into data_, which is kept from value to value: no allocation per value.
    void ParseData(Cursor& cursor, DWORD& type)
    {
        if (cursor.Consume('"')) {
            const std::string_view text = ReadQuoted(cursor, scratchText_, "the string");
            if (!OnlyCommentLeft(cursor))
                Expected("the end of the line after the string", cursor);
            type = REG_SZ;
            const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
            data_.assign(bytes, bytes + text.size());
            data_.push_back(0);
            return;
        }
        if (cursor.ConsumeIgnoringCase("dword:")) {
            cursor.SkipSpaces();  // regedit, and Wine's, whose tests Windows passes, read "dword: 00000001"
            unsigned long number = 0;
            if (!cursor.ConsumeHex(8, number))
                Expected("up to 8 hex digits after dword:", cursor);
            if (!cursor.AtEnd() && IsHexDigit(cursor.Peek())) {
                size_t digits = 8;
                while (!cursor.AtEnd() && IsHexDigit(cursor.Peek())) {
                    cursor.Advance();
                    ++digits;
                }
                Fail("a dword holds at most 8 hex digits, found " + std::to_string(digits));
            }
            if (!OnlyCommentLeft(cursor))
                Expected("the end of the line after the dword", cursor);
            type = REG_DWORD;
            data_ = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8), static_cast<BYTE>(number >> 16),
                     static_cast<BYTE>(number >> 24)};
            return;
        }
        if (cursor.ConsumeIgnoringCase("hex")) {
            type = REG_BINARY;
            if (cursor.Consume('(')) {
                unsigned long number = 0;
                if (!cursor.ConsumeHex(8, number))
                    Expected("a hex type number after hex(", cursor);
                if (!cursor.Consume(')'))
                    Expected(") after the type number", cursor);
                type = static_cast<DWORD>(number);
            }
            if (!cursor.Consume(':'))
                Expected(": after hex", cursor);
            ParseHexBytes(cursor);
            if (IsStringType(type))
                EndString();
            return;
        }
        Expected("\"text\", dword:, hex: or hex(N): after =", cursor);
    }

    // Comma-separated bytes, perhaps with a ; comment after them; a backslash
    // where a byte could begin continues them below. After a byte only a
    // comma or the end of the bytes may follow: regedit leaves out a value
    // whose backslash, or white space before a comma, stands right after a byte.
    void ParseHexBytes(Cursor cursor)
    {
        data_.clear();
        for (;;) {
            ConsumeHexTriples(cursor);
            if (OnlyCommentLeft(cursor))
                return;
            if (cursor.Consume('\\')) {
                if (!ContinueBelow(cursor))
                    return;
                continue;
            }
            unsigned long byte = 0;
            if (!cursor.ConsumeHex(2, byte))
                Expected("a hex byte such as 0a", cursor);
            data_.push_back(static_cast<BYTE>(byte));
            if (cursor.Consume(','))
                continue;
            Cursor after = cursor;  // the error shows the white space too
            if (!OnlyCommentLeft(after))
                Expected(", between hex bytes", cursor);
            return;
        }
    }

    // After a backslash: moves to the line the bytes go on at; false where
    // the end of the file ends the value. As regedit reads it, a ; comment
    // may follow the backslash, blank lines and comments below are passed
    // over, and the bytes go on at a hex digit: at anything else, another
    // backslash too, the value is left out with that line.
    bool ContinueBelow(Cursor& cursor)
    {
        if (!OnlyCommentLeft(cursor))
            Expected("the end of the line after \\", cursor);
        std::string_view next;
        while (NextLine(next)) {
            cursor = Cursor(next);
            if (OnlyCommentLeft(cursor))
                continue;
            if (!IsHexDigit(cursor.Peek()))
                Expected("a hex byte such as 0a", cursor);
            return true;
        }
        return false;
    }

    // String data ends with its terminator: regedit, and Wine's, whose tests
    // Windows passes, add one NUL to hex(2) and hex(7) bytes that lack it
    // (one only, for hex(7) too), and leave empty data empty. Unicode
    // exports hold the text as UTF-16, which the ANSI calls see narrowed;
    // data of an odd length is no UTF-16 and is kept as its bytes, with the
    // same one NUL after them (Wine's regedit writes its NUL over the odd
    // byte; its tests do not try Windows).
    void EndString()
    {
        if (format_ == Format::Version5)
            data_ = Utf16LeToUtf8(data_);
        if (!data_.empty() && data_.back() != 0)
            data_.push_back(0);
    }

    // The common run first: "xx," after "xx," without spaces, as regedit writes them.
    void ConsumeHexTriples(Cursor& cursor)
    {
        const std::string_view rest = cursor.Rest();
        size_t i = 0;
        for (; i + 3 <= rest.size() && rest[i + 2] == ','; i += 3) {
            const int high = HexValue(rest[i]);
            const int low = HexValue(rest[i + 1]);
            if (high < 0 || low < 0)
                break;
            data_.push_back(static_cast<BYTE>(high << 4 | low));
        }
        cursor.Skip(i);
    }

    // After the opening quote: up to the closing one, with \\ and \" unescaped;
    // any other backslash is kept as it stands, as regedit does.
    // The text goes into buffer, which only grows: it is never longer than the rest of the line.
    std::string_view ReadQuoted(Cursor& cursor, std::string& buffer, const char* what) const
    {
        if (buffer.size() < cursor.Rest().size())
            buffer.resize(std::max(cursor.Rest().size(), 2 * buffer.size()));
        char* const start = buffer.data();
        char* out = start;
        for (;;) {
            const std::string_view rest = cursor.Rest();
            const size_t special = FindAnyOf<'"', '\\'>(rest);
            if (special == rest.size())
                Fail(std::string("expected a closing \" for ") + what + ", found the end of the line");
            std::memcpy(out, rest.data(), special);
            out += special;
            cursor.Skip(special + 1);
            if (rest[special] == '"')
                return std::string_view(start, static_cast<size_t>(out - start));
            if (!cursor.AtEnd() && (cursor.Peek() == '\\' || cursor.Peek() == '"')) {
                *out++ = cursor.Peek();
                cursor.Advance();
            } else {
                *out++ = '\\';
            }
        }
    }

    RegLineSource source_;
    const std::string& fileName_;
    RegSink& sink_;
    const MalformedLines malformed_;
    Format format_ = Format::Regedit4;
    Target target_ = Target::NoKey;
    size_t leftOutKeyLine_ = 0;
    bool leftOutContinues_ = false;  // the line left out last goes on below a backslash
    std::string_view currentLine_;   // the line read last, valid until the next one is read
    SkippedKeys skipped_;
    std::string scratchName_;
    std::string scratchText_;
    std::vector<BYTE> data_;  // the value being read
};

}  // namespace

RegReadError::RegReadError(const std::string& file, size_t line, const std::string& problem)
    : RegFileError(Printable(file) + ":" + std::to_string(line) + ": " + problem),
      file_(file),
      line_(line),
      problem_(problem)
{
}

std::string LeftOutLine::Text() const { return Printable(file) + ":" + std::to_string(line) + ": " + problem; }

void SkippedKeys::Add(const SkippedKeys& other)
{
    if (count == 0 && other.count > 0) {
        firstFile = other.firstFile;
        firstLine = other.firstLine;
        firstKey = other.firstKey;
    }
    if (malformedLines == 0 && other.malformedLines > 0)
        firstMalformed = other.firstMalformed;
    count += other.count;
    malformedLines += other.malformedLines;
    for (const LeftOutLine& line : other.leftOut)
        AddLeftOut(line);
    leftOutCount += other.leftOutCount - other.leftOut.size();
}

void SkippedKeys::AddLeftOut(LeftOutLine line)
{
    if (leftOut.size() < kKeptLeftOutLines)
        leftOut.push_back(std::move(line));
    ++leftOutCount;
}

SkippedKeys ReadRegFile(std::istream& in, const std::string& fileName, RegSink& sink, MalformedLines malformed)
{
    return RegFileParser(in, fileName, sink, malformed).Parse();
}

}  // namespace qalm
