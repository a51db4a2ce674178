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

// Keys of other roots: counted, and the first one kept for the warning; so
// are the malformed lines among them, which are not read either.
struct SkippedKeys {
    size_t count = 0;
    std::string firstFile;
    size_t firstLine = 0;
    std::string firstKey;
    size_t malformedLines = 0;
    std::string firstMalformed;  // "file:line: what was expected"

    void Add(const SkippedKeys& other);
};

// Reads one file; throws RegReadError at the first malformed line outside the
// skipped roots. Whatever the sink received before the error stays with the sink.
SkippedKeys ReadRegFile(std::istream& in, const std::string& fileName, RegSink& sink);

}  // namespace qalm
