// Writes a file so that it is either complete or not there: the text goes to
// a temporary file beside it, which is renamed over the target at the end.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace qalm {

// A file written in full, and flushed, beside its target; Commit puts it in
// place. One never committed is removed. Each throws PreviewError when the
// file cannot be written; the target is then untouched.
class PendingFile {
public:
    PendingFile(const std::string& path, const std::function<void(std::ostream&)>& write);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    void Commit();

private:
    std::string target_;
    std::string temporary_;  // "" once committed
};

// Throws PreviewError when the file cannot be written; the target is then untouched.
void WriteFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write);

}  // namespace qalm
