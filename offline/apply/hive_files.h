// The file system's part of replacing a hive: a new file beside it, flushed
// to disk; the original kept under a free backup name; the new file renamed
// into place. Each step throws ApplyError naming the file.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

namespace offline {

// Which file a path names and whether it changed since: device, inode, size, last write.
struct FileIdentity {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    bool operator==(const FileIdentity& other) const;
};

// Throws unless path is a regular file.
FileIdentity IdentifyHiveFile(const std::string& path);

// A new, empty file in the hive's folder with the hive's permissions, named
// after the hive and kind (SYSTEM.qalm-new-XXXXXX), removed again unless it
// was renamed into place.
class NewHiveFile {
public:
    NewHiveFile(const std::string& hive, const char* kind);
    ~NewHiveFile();
    NewHiveFile(const NewHiveFile&) = delete;
    NewHiveFile& operator=(const NewHiveFile&) = delete;

    const std::string& Path() const { return path_; }
    void RenamedIntoPlace() { path_.clear(); }

private:
    std::string path_;
};

// The files an apply stopped before its end (a power cut, SIGKILL) left
// beside the hive: NewHiveFile's, by their names. The hive itself is whole;
// they can go once no apply runs on that folder. Sorted; none when the
// folder cannot be read.
std::vector<std::string> LeftOverFiles(const std::string& hive);

void SyncFile(const std::string& path);
void SyncFolderOf(const std::string& path);

// The original kept under a name that is not taken: SYSTEM.qalm-backup, or
// SYSTEM.qalm-backup-2 and so on when older backups are there. Returns it.
// It is a second name of the hive (a hard link), or where the file system has
// none (FAT), a flushed and compared copy given its name only when complete.
std::string KeepBackup(const std::string& hive);

// Atomically: the name then stands for the new file, and the old one lives on
// only under its backup name.
void RenameOver(const std::string& from, const std::string& to);

}  // namespace offline
