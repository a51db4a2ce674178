#include "regfile/reg_writer.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "utf16.h"

namespace qalm {
namespace {

constexpr size_t kFlushSize = 1 << 16;
constexpr size_t kLineWidth = 80;  // regedit's wrapping of hex data
constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";

class RegTextOut {
public:
    RegTextOut(std::ostream& out, RegFileFormat format)
        : out_(out), unicode_(format == RegFileFormat::Unicode), lineEnd_(unicode_ ? "\r\n" : "\n")
    {
        if (unicode_)
            out_.write("\xFF\xFE", 2);
    }
    ~RegTextOut() { Flush(); }

    void Append(std::string_view text) { buffer_.append(text); }

    // Flushes only here, between whole lines: no UTF-8 character is cut in two,
    // and a value's hex data counts its columns from the start of its line.
    void EndLine()
    {
        buffer_.append(lineEnd_);
        if (buffer_.size() >= kFlushSize)
            Flush();
    }

    void Flush()
    {
        if (unicode_) {
            wide_.clear();
            AppendUtf16Le(wide_, buffer_);
            out_.write(wide_.data(), static_cast<std::streamsize>(wide_.size()));
        } else {
            out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        }
        buffer_.clear();
    }

    void KeyLine(std::string_view path)
    {
        EndLine();
        Append("[");
        Append(kRootName);
        if (!path.empty()) {
            Append("\\");
            Append(path);
        }
        Append("]");
        EndLine();
    }

    void Value(const win32sim::RegValue& value)
    {
        const size_t lineStart = buffer_.size();
        const std::string_view name = value.Name();
        const DWORD type = value.Type();
        const win32sim::ByteView data = value.Data();
        if (name.empty()) {
            Append("@=");
        } else {
            Quoted(name);
            Append("=");
        }
        if (type == REG_SZ && IsPlainString(data)) {
            Quoted(std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
        } else if (type == REG_DWORD && data.size() == 4) {
            Dword(data);
        } else if (unicode_ && IsStringType(type)) {
            Hex(type, Utf8ToUtf16Le(std::vector<BYTE>(data.begin(), data.end())), buffer_.size() - lineStart);
        } else {
            Hex(type, data, buffer_.size() - lineStart);
        }
        EndLine();
    }

private:
    // A string that "..." spells exactly: one terminator, no NUL or line break before it.
    static bool IsPlainString(win32sim::ByteView data)
    {
        if (data.empty() || data.back() != 0)
            return false;
        for (size_t i = 0; i + 1 < data.size(); ++i) {
            if (data[i] == 0 || data[i] == '\r' || data[i] == '\n')
                return false;
        }
        return true;
    }

    // Runs without a backslash or a quote go in whole.
    void Quoted(std::string_view text)
    {
        buffer_ += '"';
        for (size_t start = 0; start < text.size();) {
            size_t special = start;
            while (special < text.size() && text[special] != '\\' && text[special] != '"')
                ++special;
            buffer_.append(text.data() + start, special - start);
            if (special == text.size())
                break;
            buffer_ += '\\';
            buffer_ += text[special];
            start = special + 1;
        }
        buffer_ += '"';
    }

    void Dword(win32sim::ByteView data)
    {
        const unsigned long number =
            data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<unsigned long>(data[3]) << 24);
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08lx", number);
        Append(text);
    }

    void Hex(DWORD type, win32sim::ByteView data, size_t column)
    {
        char prefix[24];
        if (type == REG_BINARY)
            std::snprintf(prefix, sizeof prefix, "hex:");
        else
            std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
        buffer_ += prefix;
        column += std::strlen(prefix);

        static constexpr char kDigits[] = "0123456789abcdef";
        for (size_t i = 0; i < data.size(); ++i) {
            const bool last = i + 1 == data.size();
            // "xx," and room for the continuing backslash
            if (column + 4 > kLineWidth) {
                buffer_ += "\\";
                buffer_ += lineEnd_;
                buffer_ += "  ";
                column = 2;
            }
            buffer_ += kDigits[data[i] >> 4];
            buffer_ += kDigits[data[i] & 0x0F];
            column += 2;
            if (!last) {
                buffer_ += ',';
                ++column;
            }
        }
    }

    std::ostream& out_;
    const bool unicode_;
    const std::string_view lineEnd_;
    std::string buffer_;
    std::string wide_;
};

bool IsAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

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
    text.Append(format == RegFileFormat::Unicode ? "Windows Registry Editor Version 5.00" : "REGEDIT4");
    text.EndLine();

    const win32sim::RegKey& root = registry.Root();
    if (!root.Values().empty()) {
        text.KeyLine("");
        for (const win32sim::RegValue& value : root.Values())
            text.Value(value);
    }

    // Depth first without recursion: exports can nest deeper than the stack likes.
    using Subkey = win32sim::ChainRange<win32sim::RegKey>::Iterator;
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
    text.EndLine();
}

}  // namespace qalm
