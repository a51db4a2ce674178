#include "hive_files.h"

#include <fcntl.h>
#include <unistd.h>

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

void SyncDescriptor(int descriptor, const std::string& path, bool isFolder)
{
    if (fsync(descriptor) == 0)
        return;
    const int error = errno;
    close(descriptor);
    // Some file systems cannot flush a folder on its own; they write its entries with the files.
    if (isFolder && (error == EINVAL || error == ENOTSUP || error == ENOSYS))
        return;
    Fail("flush", path, error);
}

}  // namespace

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

FileIdentity IdentifyHiveFile(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        Fail("read", path, errno);
    if (!S_ISREG(status.st_mode))
        throw ApplyError(qalm::Printable(path) + " is not a regular file. Nothing was written.");
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

NewHiveFile::NewHiveFile(const std::string& hive)
{
    struct stat original {};
    if (stat(hive.c_str(), &original) != 0)
        Fail("read", hive, errno);
    std::string pattern = hive + ".qalm-new-XXXXXX";
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

void SyncFile(const std::string& path)
{
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        Fail("flush", path, errno);
    SyncDescriptor(descriptor, path, false);
    close(descriptor);
}

void SyncFolderOf(const std::string& path)
{
    const std::string folder = FolderOf(path);
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        Fail("flush the folder", folder, errno);
    SyncDescriptor(descriptor, folder, true);
    close(descriptor);
}

std::string LinkBackup(const std::string& hive)
{
    for (int n = 1; n <= kMostBackups; ++n) {
        const std::string backup = hive + ".qalm-backup" + (n == 1 ? "" : "-" + std::to_string(n));
        // link() never replaces an existing name: an older backup stays as it is.
        if (link(hive.c_str(), backup.c_str()) == 0)
            return backup;
        if (errno != EEXIST)
            Fail("keep a backup (a second name, by a hard link) of", hive, errno);
    }
    throw ApplyError("cannot keep a backup of " + qalm::Printable(hive) + ": " + std::to_string(kMostBackups) +
                     " older backups are already beside it. Nothing was replaced.");
}

void RenameOver(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        Fail("rename " + qalm::Printable(from) + " to", to, errno);
}

}  // namespace offline
