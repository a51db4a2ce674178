// The .reg file reader: REGEDIT4 and "Windows Registry Editor Version 5.00"
// exports, as regedit and `reg export` write them. Only keys under
// HKEY_LOCAL_MACHINE reach the sink; other roots are read, checked and skipped.
#pragma once

#include <windows.h>

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "regfile/reg_file_error.h"

namespace qalm {

// What the reader found, in file order. Paths are relative to HKEY_LOCAL_MACHINE,
// "" for the root itself; a value belongs to the key opened last.
class RegSink {
public:
    virtual ~RegSink() = default;
    virtual void OpenKey(std::string_view path) = 0;
    virtual void DeleteKey(std::string_view path) = 0;
    virtual void SetValue(std::string_view name, DWORD type, const std::vector<BYTE>& data) = 0;
    virtual void DeleteValue(std::string_view name) = 0;
};

// How the reader takes a line it cannot read.
enum class MalformedLines {
    Refuse,    // the first one stops the reading with a RegReadError
    LeaveOut,  // left out, as regedit leaves it out on import, and recorded; reading goes on
};

// A line left out, and what was wrong there.
struct LeftOutLine {
    std::string file;
    size_t line = 0;
    std::string problem;

    std::string Text() const;  // "file:line: problem", as a RegReadError says it
};

// What the reader passed over. Keys of other roots: counted, and the first one
// kept for the warning; so are the malformed lines among them, which are not
// read either. Lines left out under HKEY_LOCAL_MACHINE: counted, the first
// kKeptLeftOutLines kept.
struct SkippedKeys {
    static constexpr size_t kKeptLeftOutLines = 100;

    size_t count = 0;
    std::string firstFile;
    size_t firstLine = 0;
    std::string firstKey;
    size_t malformedLines = 0;
    std::string firstMalformed;  // "file:line: what was expected"
    size_t leftOutCount = 0;
    std::vector<LeftOutLine> leftOut;

    void Add(const SkippedKeys& other);
    void AddLeftOut(LeftOutLine line);
};

// Reads one file. A file without a header, one that is not text, and a UTF-16
// file without its byte-order mark throw RegReadError whatever the rule; so
// does, under MalformedLines::Refuse, the first malformed line outside the
// skipped roots. Whatever the sink received before the error stays with the sink.
SkippedKeys ReadRegFile(std::istream& in, const std::string& fileName, RegSink& sink,
                        MalformedLines malformed = MalformedLines::Refuse);

}  // namespace qalm
