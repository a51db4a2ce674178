// The journal: every Win32 call the program made, in order, with its
// arguments and result, so that tests check order, pairing and leaks.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace win32sim {

struct JournalEntry {
    std::string call;                    // "RegOpenKeyExA"
    std::vector<std::string> arguments;  // rendered: paths as text, masks in hex, handles by name
    long long result = 0;                // the function's return value or error code

    std::string ToString() const;        // RegOpenKeyExA(HKLM, "SOFTWARE\VQR", 0xf003f) = 0
};

class Journal {
public:
    void Record(JournalEntry entry) { entries_.push_back(std::move(entry)); }
    const std::vector<JournalEntry>& Entries() const { return entries_; }
    std::vector<std::string> Calls() const;  // just the call names, in order
    std::string ToString() const;            // one entry a line
    void Clear() { entries_.clear(); }

private:
    std::vector<JournalEntry> entries_;
};

}  // namespace win32sim
