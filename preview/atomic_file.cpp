#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "preview_error.h"
#include "regfile/printable.h"

namespace qalm {
namespace {

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target)
    {
        std::string pattern = target + ".tmp-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int descriptor = mkstemp(name.data());
        if (descriptor < 0)
            throw PreviewError("cannot write " + Printable(target) + ": " + std::strerror(errno));
        // mkstemp makes it private; the result should have the usual permissions.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, 0666 & ~mask);
        close(descriptor);
        path_ = name.data();
    }
    ~TemporaryFile()
    {
        if (!path_.empty())
            std::remove(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return path_; }
    void Kept() { path_.clear(); }

private:
    std::string path_;
};

// The data must be on disk before the rename is, or a crash could leave an
// empty file under the final name.
void SyncToDisk(const std::string& file, const std::string& target)
{
    const int descriptor = open(file.c_str(), O_RDONLY);
    if (descriptor < 0 || fsync(descriptor) != 0) {
        const int error = errno;
        if (descriptor >= 0)
            close(descriptor);
        throw PreviewError("cannot write " + Printable(target) + ": " + std::strerror(error));
    }
    close(descriptor);
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write)
{
    TemporaryFile temporary(path);
    {
        std::ofstream out(temporary.Path(), std::ios::binary | std::ios::trunc);
        if (!out)
            throw PreviewError("cannot write " + Printable(path) + ": " + std::strerror(errno));
        write(out);
        out.close();
        if (!out)
            throw PreviewError("cannot write " + Printable(path) + ": " + std::strerror(errno));
    }
    SyncToDisk(temporary.Path(), path);
    if (std::rename(temporary.Path().c_str(), path.c_str()) != 0)
        throw PreviewError("cannot write " + Printable(path) + ": " + std::strerror(errno));
    temporary.Kept();
}

}  // namespace qalm
