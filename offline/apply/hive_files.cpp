#include "hive_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "hive_apply.h"
#include "regfile/printable.h"

namespace offline {
namespace {

constexpr int kMostBackups = 1000;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error)
{
    throw ApplyError("cannot " + what + " " + qalm::Printable(path) + ": " + std::strerror(error));
}

std::string FolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string BackupName(const std::string& hive, int n)
{
    return hive + ".qalm-backup" + (n == 1 ? "" : "-" + std::to_string(n));
}

ApplyError TooManyBackups(const std::string& hive)
{
    return ApplyError("cannot keep a backup of " + qalm::Printable(hive) + ": " + std::to_string(kMostBackups) +
                      " older backups are already beside it");
}

// NewHiveFile's kinds, and the start of its names: mkostemp adds six characters.
const char* const kPendingKinds[] = {"new", "copy"};
constexpr size_t kUniqueCharacters = 6;

std::string PendingName(const std::string& hive, const char* kind) { return hive + ".qalm-" + kind + "-"; }

// FAT answers EPERM; others say they cannot.
bool HasNoHardLinks(int error) { return error == EPERM || error == ENOTSUP || error == ENOSYS || error == EMLINK; }

class OpenFile {
public:
    OpenFile(const std::string& path, int flags) : path_(path), descriptor_(open(path.c_str(), flags | O_CLOEXEC))
    {
        if (descriptor_ < 0)
            Fail("open", path, errno);
    }
    ~OpenFile() { close(descriptor_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // Up to size bytes; fewer only at the end of the file.
    size_t Read(char* buffer, size_t size) const
    {
        size_t got = 0;
        while (got < size) {
            const ssize_t n = read(descriptor_, buffer + got, size - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Fail("read", path_, errno);
            if (n == 0)
                break;
            got += static_cast<size_t>(n);
        }
        return got;
    }

    void Sync(bool isFolder) const
    {
        if (fsync(descriptor_) == 0)
            return;
        // Some file systems cannot flush a folder on its own; they write its entries with the files.
        if (isFolder && (errno == EINVAL || errno == ENOTSUP || errno == ENOSYS))
            return;
        Fail("flush", path_, errno);
    }

    void Write(const char* buffer, size_t size) const
    {
        while (size > 0) {
            const ssize_t n = write(descriptor_, buffer, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Fail("write", path_, errno);
            buffer += n;
            size -= static_cast<size_t>(n);
        }
    }

private:
    std::string path_;
    int descriptor_;
};

constexpr size_t kCopyBlock = 1 << 20;

void CopyBytes(const std::string& from, const std::string& to)
{
    const OpenFile source(from, O_RDONLY);
    const OpenFile target(to, O_WRONLY | O_TRUNC);
    std::vector<char> block(kCopyBlock);
    while (const size_t n = source.Read(block.data(), block.size()))
        target.Write(block.data(), n);
}

bool SameBytes(const std::string& a, const std::string& b)
{
    const OpenFile first(a, O_RDONLY);
    const OpenFile second(b, O_RDONLY);
    std::vector<char> blockA(kCopyBlock), blockB(kCopyBlock);
    while (true) {
        const size_t n = first.Read(blockA.data(), blockA.size());
        if (second.Read(blockB.data(), blockB.size()) != n || std::memcmp(blockA.data(), blockB.data(), n) != 0)
            return false;
        if (n == 0)
            return true;
    }
}

// The copy is whole and on disk before it takes the backup's name, and
// RENAME_NOREPLACE, like link(), never takes a name that exists.
std::string CopyBackup(const std::string& hive)
{
    NewHiveFile copy(hive, "copy");
    CopyBytes(hive, copy.Path());
    SyncFile(copy.Path());
    if (!SameBytes(hive, copy.Path()))
        throw ApplyError("cannot keep a backup of " + qalm::Printable(hive) + ": its copy " +
                         qalm::Printable(copy.Path()) + " reads back otherwise");
    for (int n = 1; n <= kMostBackups; ++n) {
        const std::string backup = BackupName(hive, n);
        if (renameat2(AT_FDCWD, copy.Path().c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE) == 0) {
            copy.RenamedIntoPlace();
            return backup;
        }
        if (errno != EEXIST)
            Fail("keep a backup (a copy, as the file system has no hard links) of", hive, errno);
    }
    throw TooManyBackups(hive);
}

}  // namespace

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

FileIdentity IdentifyHiveFile(const std::string& path)
{
    // Not a symbolic link either: the new file would replace the link, and
    // the backup's hard link would name the link, not the hive.
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0)
        Fail("read", path, errno);
    if (!S_ISREG(status.st_mode))
        throw ApplyError(qalm::Printable(path) + " is not a regular file");
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

NewHiveFile::NewHiveFile(const std::string& hive, const char* kind)
{
    struct stat original {};
    if (stat(hive.c_str(), &original) != 0)
        Fail("read", hive, errno);
    std::string pattern = PendingName(hive, kind) + std::string(kUniqueCharacters, 'X');
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0)
        Fail("create a file beside", hive, errno);
    // The hive's owner and permissions, where the file system keeps them: a
    // FAT or ntfs-3g mount, or a user who is not root, gets EPERM, and nothing
    // depends on them there.
    const bool owned = fchown(descriptor, original.st_uid, original.st_gid) == 0 || errno == EPERM;
    const bool permitted = owned && (fchmod(descriptor, original.st_mode & 07777) == 0 || errno == EPERM);
    const int error = errno;
    close(descriptor);
    if (!permitted) {
        unlink(name.data());
        Fail("set the permissions of", name.data(), error);
    }
    path_ = name.data();
}

NewHiveFile::~NewHiveFile()
{
    if (!path_.empty())
        unlink(path_.c_str());
}

std::vector<std::string> LeftOverFiles(const std::string& hive)
{
    const std::string name = std::filesystem::path(hive).filename().string();
    std::vector<std::string> found;
    std::error_code error;
    for (auto entry = std::filesystem::directory_iterator(FolderOf(hive), error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string other = entry->path().filename().string();
        for (const char* kind : kPendingKinds) {
            const std::string start = PendingName(name, kind);
            if (other.size() == start.size() + kUniqueCharacters && other.compare(0, start.size(), start) == 0)
                found.push_back(hive + other.substr(name.size()));  // beside the hive, as the hive was named
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

void SyncFile(const std::string& path) { OpenFile(path, O_RDONLY).Sync(false); }

void SyncFolderOf(const std::string& path) { OpenFile(FolderOf(path), O_RDONLY | O_DIRECTORY).Sync(true); }

std::string KeepBackup(const std::string& hive)
{
    for (int n = 1; n <= kMostBackups; ++n) {
        const std::string backup = BackupName(hive, n);
        // link() never replaces an existing name: an older backup stays as it is.
        if (link(hive.c_str(), backup.c_str()) == 0)
            return backup;
        if (HasNoHardLinks(errno))
            return CopyBackup(hive);
        if (errno != EEXIST)
            Fail("keep a backup (a second name, by a hard link) of", hive, errno);
    }
    throw TooManyBackups(hive);
}

void RenameOver(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        Fail("rename " + qalm::Printable(from) + " to", to, errno);
}

}  // namespace offline
