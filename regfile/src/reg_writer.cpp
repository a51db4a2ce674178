#include "regfile/reg_writer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "byte_scan.h"
#include "regfile/utf16.h"

namespace qalm {
namespace {

constexpr size_t kBufferSize = 1 << 16;
constexpr size_t kLineWidth = 80;  // regedit's wrapping of hex data
constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
constexpr char kDigits[] = "0123456789abcdef";

// Lines are written straight into one buffer: each line first makes room for
// the most it can take, so the bytes go in without a check apiece.
class RegTextOut {
public:
    RegTextOut(std::ostream& out, RegFileFormat format)
        : out_(out),
          unicode_(format == RegFileFormat::Unicode),
          lineEnd_(unicode_ ? "\r\n" : "\n"),
          buffer_(kBufferSize)
    {
        if (unicode_)
            out_.write("\xFF\xFE", 2);
    }
    ~RegTextOut() { Flush(); }

    void Line(std::string_view text)
    {
        char* out = Room(text.size() + 2);
        out = Put(out, text);
        Done(Put(out, lineEnd_));
    }

    void KeyLine(std::string_view path)
    {
        char* out = Room(path.size() + kRootName.size() + 8);
        out = Put(out, lineEnd_);
        *out++ = '[';
        out = Put(out, kRootName);
        if (!path.empty()) {
            *out++ = '\\';
            out = Put(out, path);
        }
        *out++ = ']';
        Done(Put(out, lineEnd_));
    }

    void Value(const win32sim::RegValue& value)
    {
        const std::string_view name = value.Name();
        const DWORD type = value.Type();
        win32sim::ByteView data = value.Data();
        std::vector<BYTE> wide;
        const bool plainString = type == REG_SZ && IsPlainString(data);
        if (unicode_ && !plainString && IsStringType(type)) {
            wide = Utf8ToUtf16Le(std::vector<BYTE>(data.begin(), data.end()));
            data = wide;
        }
        // Quoting at most doubles the name and the string; hex takes three
        // characters a byte, and a continued line five more for 25 bytes.
        char* const lineStart = Room(2 * name.size() + 4 * data.size() + 64);
        char* out = lineStart;
        if (name.empty()) {
            out = Put(out, "@=");
        } else {
            out = Quoted(out, name);
            *out++ = '=';
        }
        if (plainString)
            out = Quoted(out, std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
        else if (type == REG_DWORD && data.size() == 4)
            out = Dword(out, data);
        else
            out = Hex(out, type, data, static_cast<size_t>(out - lineStart));
        Done(Put(out, lineEnd_));
    }

private:
    // Where the next size bytes go; flushes only between whole lines, so no
    // UTF-8 character is cut in two.
    char* Room(size_t size)
    {
        if (used_ + size > buffer_.size()) {
            Flush();
            if (size > buffer_.size())
                buffer_.resize(size);
        }
        return buffer_.data() + used_;
    }
    void Done(char* end) { used_ = static_cast<size_t>(end - buffer_.data()); }

    void Flush()
    {
        const std::string_view text(buffer_.data(), used_);
        if (unicode_) {
            wide_.clear();
            AppendUtf16Le(wide_, text);
            out_.write(wide_.data(), static_cast<std::streamsize>(wide_.size()));
        } else {
            out_.write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        used_ = 0;
    }

    static char* Put(char* out, std::string_view text)
    {
        if (!text.empty())  // an empty view may hold no pointer at all
            std::memcpy(out, text.data(), text.size());
        return out + text.size();
    }

    // A string that "..." spells exactly: one terminator, no NUL or line break before it.
    static bool IsPlainString(win32sim::ByteView data)
    {
        if (data.empty() || data.back() != 0)
            return false;
        const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size() - 1);
        return FindAnyOf<'\0', '\r', '\n'>(text) == text.size();
    }

    static char* Quoted(char* out, std::string_view text)
    {
        *out++ = '"';
        for (;;) {
            const size_t special = FindAnyOf<'\\', '"'>(text);
            out = Put(out, text.substr(0, special));
            if (special == text.size())
                break;
            *out++ = '\\';
            *out++ = text[special];
            text.remove_prefix(special + 1);
        }
        *out++ = '"';
        return out;
    }

    static char* Dword(char* out, win32sim::ByteView data)
    {
        out = Put(out, "dword:");
        for (int i = 3; i >= 0; --i) {
            *out++ = kDigits[data[i] >> 4];
            *out++ = kDigits[data[i] & 0x0F];
        }
        return out;
    }

    char* Hex(char* out, DWORD type, win32sim::ByteView data, size_t column) const
    {
        const char* const prefixStart = out;
        if (type == REG_BINARY) {
            out = Put(out, "hex:");
        } else {
            out = Put(out, "hex(");
            char digits[8];
            int count = 0;
            for (DWORD rest = type; count == 0 || rest > 0; rest >>= 4)
                digits[count++] = kDigits[rest & 0x0F];
            while (count > 0)
                *out++ = digits[--count];
            out = Put(out, "):");
        }
        column += static_cast<size_t>(out - prefixStart);

        // Every byte is followed by a comma, the last one's taken back at the
        // end; a byte goes on the next line when "xx," and the continuing
        // backslash would pass the line's width.
        const size_t size = data.size();
        for (size_t i = 0; i < size;) {
            if (column + 4 > kLineWidth) {
                *out++ = '\\';
                out = Put(out, lineEnd_);
                out = Put(out, "  ");
                column = 2;
            }
            const size_t end = std::min(size, i + (kLineWidth - 4 - column) / 3 + 1);
            column += 3 * (end - i);
            for (; i < end; ++i) {
                *out++ = kDigits[data[i] >> 4];
                *out++ = kDigits[data[i] & 0x0F];
                *out++ = ',';
            }
        }
        return size > 0 ? out - 1 : out;
    }

    std::ostream& out_;
    const bool unicode_;
    const std::string_view lineEnd_;
    std::vector<char> buffer_;
    size_t used_ = 0;
    std::string wide_;
};

// UTF-8 that a Unicode export spells: to UTF-16 and back, it is the same bytes.
bool SurvivesUtf16(std::string_view text)
{
    const std::vector<BYTE> bytes(text.begin(), text.end());
    return Utf16LeToUtf8(Utf8ToUtf16Le(bytes)) == bytes;
}

// How a piece of text can be written; the machine's format is the least of its pieces'.
enum class TextFit { Ascii, Unicode, BytesOnly };

TextFit FitOf(std::string_view text)
{
    if (IsAscii(text))
        return TextFit::Ascii;
    return SurvivesUtf16(text) ? TextFit::Unicode : TextFit::BytesOnly;
}

}  // namespace

RegFileFormat ExactFormat(const win32sim::Registry& registry)
{
    if (registry.OnlyAsciiText())
        return RegFileFormat::Regedit4;
    TextFit fit = TextFit::Ascii;
    const auto take = [&fit](std::string_view text) {
        const TextFit piece = FitOf(text);
        if (piece > fit)
            fit = piece;
        return fit != TextFit::BytesOnly;
    };
    std::vector<const win32sim::RegKey*> pending = {&registry.Root()};
    while (!pending.empty()) {
        const win32sim::RegKey& key = *pending.back();
        pending.pop_back();
        if (!take(key.Name()))
            return RegFileFormat::Regedit4;
        for (const win32sim::RegValue& value : key.Values()) {
            const std::string_view data(reinterpret_cast<const char*>(value.Data().data()), value.Data().size());
            if (!take(value.Name()) || (IsStringType(value.Type()) && !take(data)))
                return RegFileFormat::Regedit4;
        }
        for (const win32sim::RegKey& child : key.Subkeys())
            pending.push_back(&child);
    }
    return fit == TextFit::Unicode ? RegFileFormat::Unicode : RegFileFormat::Regedit4;
}

void WriteRegFile(const win32sim::Registry& registry, std::ostream& out, RegFileFormat format)
{
    RegTextOut text(out, format);
    text.Line(format == RegFileFormat::Unicode ? "Windows Registry Editor Version 5.00" : "REGEDIT4");

    const win32sim::RegKey& root = registry.Root();
    if (!root.Values().empty()) {
        text.KeyLine("");
        for (const win32sim::RegValue& value : root.Values())
            text.Value(value);
    }

    // Depth first without recursion: exports can nest deeper than the stack likes.
    using Subkey = win32sim::Siblings<win32sim::RegKey>::Iterator;
    struct Frame {
        Subkey next;
        Subkey end;
        size_t pathLength;  // of the parent's path, to cut back to
    };
    std::string path;
    std::vector<Frame> stack = {{root.Subkeys().begin(), root.Subkeys().end(), 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.end) {
            path.resize(frame.pathLength);
            stack.pop_back();
            continue;
        }
        const win32sim::RegKey& child = *frame.next;
        ++frame.next;
        const size_t parentLength = path.size();
        if (!path.empty())
            path += '\\';
        path += child.Name();

        text.KeyLine(path);
        for (const win32sim::RegValue& value : child.Values())
            text.Value(value);
        stack.push_back({child.Subkeys().begin(), child.Subkeys().end(), parentLength});
    }
    text.Line("");
}

}  // namespace qalm
