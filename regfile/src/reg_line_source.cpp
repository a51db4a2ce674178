#include "reg_line_source.h"

#include "utf16.h"

namespace qalm {
namespace {

constexpr size_t kChunkSize = 1 << 16;

}  // namespace

RegLineSource::RegLineSource(std::istream& in) : in_(in) { DetectEncoding(); }

void RegLineSource::DetectEncoding()
{
    char head[3] = {};
    in_.read(head, sizeof head);
    const size_t count = static_cast<size_t>(in_.gcount());
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(head[i]); };

    if (count >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        encoding_ = RegEncoding::Utf16Le;
        pending_.assign(head + 2, count - 2);
    } else if (count == 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        encoding_ = RegEncoding::Utf8WithBom;
    } else {
        text_.assign(head, count);
        nul_ = text_.find('\0');
    }
}

bool RegLineSource::Refill()
{
    if (exhausted_)
        return false;
    text_.erase(0, position_);
    if (nul_ != std::string::npos)
        nul_ -= position_;
    position_ = 0;
    const size_t before = text_.size();

    if (encoding_ == RegEncoding::Utf16Le) {
        chunk_.resize(kChunkSize);
        in_.read(chunk_.data(), static_cast<std::streamsize>(chunk_.size()));
        const size_t count = static_cast<size_t>(in_.gcount());
        exhausted_ = count < kChunkSize;
        AppendUtf16(chunk_.data(), count, exhausted_);
    } else {
        text_.resize(before + kChunkSize);
        in_.read(text_.data() + before, static_cast<std::streamsize>(kChunkSize));
        const size_t count = static_cast<size_t>(in_.gcount());
        exhausted_ = count < kChunkSize;
        text_.resize(before + count);
    }
    // Once per block read, not per line: the common file holds no NUL at all.
    if (nul_ == std::string::npos)
        nul_ = text_.find('\0', before);
    return text_.size() > before;
}

void RegLineSource::AppendUtf16(const char* bytes, size_t count, bool final)
{
    pending_.append(bytes, count);
    const size_t used =
        DecodeUtf16Le(reinterpret_cast<const unsigned char*>(pending_.data()), pending_.size(), final, text_);
    pending_.erase(0, used);
}

bool RegLineSource::Next(std::string_view& line)
{
    size_t scanned = position_;
    size_t lineBreak;
    while ((lineBreak = text_.find('\n', scanned)) == std::string::npos) {
        scanned = text_.size() - position_;  // Refill moves the unread text to the front
        if (!Refill())
            break;
    }
    if (lineBreak == std::string::npos) {
        if (position_ >= text_.size())
            return false;
        lineBreak = text_.size();  // the last line has no line break
    }

    size_t end = lineBreak;
    if (end > position_ && text_[end - 1] == '\r')
        --end;
    line = std::string_view(text_).substr(position_, end - position_);
    position_ = lineBreak < text_.size() ? lineBreak + 1 : lineBreak;
    lineHoldsNul_ = nul_ < lineBreak;
    if (lineHoldsNul_)
        nul_ = text_.find('\0', position_);
    ++lineNumber_;
    return true;
}

}  // namespace qalm
