#include "input/hive_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "offline_error.h"
#include "regfile/printable.h"

namespace qalm {
namespace fs = std::filesystem;
namespace {

constexpr const char* kWindowsFolderNames[] = {"WINDOWS", "WINNT"};

std::string Shown(const fs::path& path) { return Printable(path.string()); }

WindowsFamily FamilyOf(HiveKind kind)
{
    return kind == HiveKind::System9x ? WindowsFamily::Windows9x : WindowsFamily::Nt;
}

bool IsDirectory(const fs::path& path)
{
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

// The entry of folder named name in any letter case; a folder on a
// case-sensitive file system may hold two, and then which one Windows used
// cannot be told.
std::optional<fs::path> ChildIgnoringCase(const fs::path& folder, const std::string& name)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        return std::nullopt;
    std::optional<fs::path> found;
    for (const fs::directory_entry& entry : entries) {
        if (!win32sim::EqualsIgnoringCase(entry.path().filename().string(), name))
            continue;
        if (found)
            throw OfflineError(Shown(folder) + " holds both " + Shown(found->filename()) + " and " +
                               Shown(entry.path().filename()) + ": name the one to use");
        found = entry.path();
    }
    return found;
}

std::optional<fs::path> ChildPath(const fs::path& folder, const std::vector<std::string>& names)
{
    fs::path path = folder;
    for (const std::string& name : names) {
        std::optional<fs::path> child = ChildIgnoringCase(path, name);
        if (!child)
            return std::nullopt;
        path = *child;
    }
    return path;
}

// The hive's format, checked by its first bytes.
void CheckSignature(const HiveFile& file)
{
    const char* expected = file.kind == HiveKind::System9x ? "CREG" : "regf";
    std::ifstream in(file.path, std::ios::binary);
    if (!in)
        throw OfflineError("cannot read " + Printable(file.path) + ": " + std::strerror(errno));
    char start[4] = {};
    in.read(start, sizeof start);
    if (in.gcount() != sizeof start || std::memcmp(start, expected, sizeof start) != 0)
        throw OfflineError(Printable(file.path) + " is not a registry hive: it does not start with \"" + expected +
                           "\"");
}

std::optional<HiveKind> KindByName(const fs::path& path)
{
    const std::string name = path.filename().string();
    for (HiveKind kind : {HiveKind::System, HiveKind::Software, HiveKind::System9x}) {
        if (win32sim::EqualsIgnoringCase(name, HiveFileName(kind)))
            return kind;
    }
    return std::nullopt;
}

// The hives of a Windows folder, or none when it is not one. An NT folder
// must hold both hives; one that also holds a 9x SYSTEM.DAT (left by an
// upgrade) cannot be told apart.
std::vector<HiveFile> HivesOfWindowsFolder(const fs::path& folder)
{
    std::vector<HiveFile> hives;
    std::optional<fs::path> config = ChildPath(folder, {"system32", "config"});
    if (config && IsDirectory(*config)) {
        for (HiveKind kind : {HiveKind::System, HiveKind::Software}) {
            if (std::optional<fs::path> hive = ChildIgnoringCase(*config, HiveFileName(kind)))
                hives.push_back({kind, hive->string()});
        }
        if (hives.size() == 1) {
            const HiveKind missing = hives[0].kind == HiveKind::System ? HiveKind::Software : HiveKind::System;
            throw OfflineError(Shown(*config) + " holds no " + HiveFileName(missing) + " hive");
        }
    }
    if (std::optional<fs::path> systemDat = ChildIgnoringCase(folder, HiveFileName(HiveKind::System9x))) {
        if (!hives.empty())
            throw OfflineError(Shown(folder) + " holds both the NT hives in " + Shown(*config) + " and " +
                               Shown(*systemDat) + ": name the hive files to use");
        hives.push_back({HiveKind::System9x, systemDat->string()});
    }
    return hives;
}

// A Windows folder, or a partition holding one.
std::vector<HiveFile> HivesInFolder(const fs::path& folder)
{
    std::vector<HiveFile> hives = HivesOfWindowsFolder(folder);
    if (!hives.empty())
        return hives;

    std::vector<fs::path> installations;
    for (const char* name : kWindowsFolderNames) {
        std::optional<fs::path> windows = ChildIgnoringCase(folder, name);
        if (!windows || !IsDirectory(*windows))
            continue;
        std::vector<HiveFile> found = HivesOfWindowsFolder(*windows);
        if (found.empty())
            continue;
        installations.push_back(*windows);
        hives = std::move(found);
    }
    if (installations.size() > 1)
        throw OfflineError(Shown(folder) + " holds two Windows installations, " + Shown(installations[0]) + " and " +
                           Shown(installations[1]) + ": name the one to use");
    if (hives.empty())
        throw OfflineError("found no hives in " + Shown(folder) +
                           ": expected a Windows folder (WINDOWS or WINNT) holding system32/config/SYSTEM and "
                           "SOFTWARE, or the 9x SYSTEM.DAT");
    return hives;
}

}  // namespace

const char* HiveFileName(HiveKind kind)
{
    switch (kind) {
    case HiveKind::System:
        return "SYSTEM";
    case HiveKind::Software:
        return "SOFTWARE";
    case HiveKind::System9x:
        break;
    }
    return "SYSTEM.DAT";
}

const HiveFile* HiveFiles::Find(HiveKind kind) const
{
    for (const HiveFile& file : files) {
        if (file.kind == kind)
            return &file;
    }
    return nullptr;
}

HiveFiles FindHiveFiles(const std::vector<std::string>& paths)
{
    HiveFiles result;
    for (const std::string& argument : paths) {
        const fs::path path(argument);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (error)
            throw OfflineError("cannot read " + Printable(argument) + ": " + error.message());

        std::vector<HiveFile> found;
        if (fs::is_directory(status)) {
            found = HivesInFolder(path);
        } else if (std::optional<HiveKind> kind = KindByName(path)) {
            found.push_back({*kind, argument});
        } else {
            throw OfflineError(Printable(argument) +
                               " is neither a folder nor a hive file: a hive file is named SYSTEM, SOFTWARE or "
                               "SYSTEM.DAT");
        }

        for (HiveFile& file : found) {
            CheckSignature(file);
            if (const HiveFile* earlier = result.Find(file.kind))
                throw OfflineError("two " + std::string(HiveFileName(file.kind)) +
                                   " hives given: " + Printable(earlier->path) + " and " + Printable(file.path));
            if (!result.files.empty() && FamilyOf(file.kind) != result.family)
                throw OfflineError(Printable(file.path) + " is of another Windows family than " +
                                   Printable(result.files.front().path) + ": give the hives of one installation");
            result.family = FamilyOf(file.kind);
            result.files.push_back(std::move(file));
        }
    }
    if (result.files.empty())
        throw OfflineError("no hive given");
    return result;
}

}  // namespace qalm
