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

// A new private file beside the target, given the usual permissions.
std::string MakeTemporaryFile(const std::string& target)
{
    std::string pattern = target + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0)
        throw PreviewError("cannot write " + Printable(target) + ": " + std::strerror(errno));
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    close(descriptor);
    return name.data();
}

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

PendingFile::PendingFile(const std::string& path, const std::function<void(std::ostream&)>& write)
    : target_(path), temporary_(MakeTemporaryFile(path))
{
    try {
        std::ofstream out(temporary_, std::ios::binary | std::ios::trunc);
        if (!out)
            throw PreviewError("cannot write " + Printable(path) + ": " + std::strerror(errno));
        write(out);
        out.close();
        if (!out)
            throw PreviewError("cannot write " + Printable(path) + ": " + std::strerror(errno));
        SyncToDisk(temporary_, path);
    } catch (...) {
        std::remove(temporary_.c_str());
        throw;
    }
}

PendingFile::~PendingFile()
{
    if (!temporary_.empty())
        std::remove(temporary_.c_str());
}

void PendingFile::Commit()
{
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw PreviewError("cannot write " + Printable(target_) + ": " + std::strerror(errno));
    temporary_.clear();
}

void WriteFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write)
{
    PendingFile(path, write).Commit();
}

}  // namespace qalm
