#include "regfile/machine_loader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "regfile/printable.h"
#include "win32sim/byte_scan.h"

namespace qalm {
namespace {

// Length of the longest run of whole key names the two paths start with.
size_t SharedKeyPrefix(std::string_view a, std::string_view b)
{
    const size_t i = win32sim::CommonStart(a, b);
    if ((i == a.size() || a[i] == '\\') && (i == b.size() || b[i] == '\\'))
        return i;
    const size_t lastBreak = a.substr(0, i).rfind('\\');
    return lastBreak == std::string_view::npos ? 0 : lastBreak;
}

size_t KeyNameCount(std::string_view path)
{
    if (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    return path.empty() ? 0 : 1 + win32sim::CountOf<'\\'>(path);
}

}  // namespace

void RegistryLoader::OpenKey(std::string_view path)
{
    win32sim::RegKey* key = current_ ? current_ : &registry_.Root();
    const std::string_view from = current_ ? std::string_view(currentPath_) : std::string_view();

    const size_t shared = SharedKeyPrefix(from, path);
    for (size_t up = KeyNameCount(from.substr(shared)); up > 0; --up)
        key = key->Parent();

    std::string_view rest = path.substr(shared);
    while (!rest.empty()) {
        if (rest.front() == '\\')
            rest.remove_prefix(1);
        const size_t end = win32sim::FindAnyOf<'\\'>(rest);
        key = &key->CreateSubkey(rest.substr(0, end));
        rest.remove_prefix(end);
    }

    current_ = key;
    currentPath_.assign(path);
}

void RegistryLoader::DeleteKey(std::string_view path)
{
    registry_.DeleteTree(path);
    current_ = nullptr;  // it may have gone with the tree
    currentPath_.clear();
}

void RegistryLoader::SetValue(std::string_view name, DWORD type, const std::vector<BYTE>& data)
{
    if (!current_)
        throw std::logic_error("a value arrived before its key");
    current_->SetValue(name, type, data);
}

void RegistryLoader::DeleteValue(std::string_view name)
{
    if (!current_)
        throw std::logic_error("a value deletion arrived before its key");
    current_->DeleteValue(name);
}

SkippedKeys LoadRegFiles(const std::vector<std::string>& paths, win32sim::Registry& registry, MalformedLines malformed)
{
    SkippedKeys skipped;
    for (const std::string& path : paths) {
        std::error_code ignored;
        if (std::filesystem::is_directory(path, ignored))
            throw RegFileError("cannot read " + Printable(path) + ": it is a directory");
        std::ifstream in(path, std::ios::binary);
        if (!in)
            throw RegFileError("cannot open " + Printable(path) + ": " + std::strerror(errno));
        RegistryLoader loader(registry);
        skipped.Add(ReadRegFile(in, path, loader, malformed));
        if (in.bad())
            throw RegFileError("cannot read " + Printable(path) + ": " + std::strerror(errno));
    }
    return skipped;
}

SkippedKeys LoadRegText(std::string_view text, const std::string& name, win32sim::Registry& registry,
                        MalformedLines malformed)
{
    std::istringstream in{std::string(text)};
    RegistryLoader loader(registry);
    return ReadRegFile(in, name, loader, malformed);
}

std::string SkippedKeysWarning(const SkippedKeys& skipped)
{
    if (skipped.count == 0)
        return "";
    std::string warning = "warning: skipped " + std::to_string(skipped.count) +
                          (skipped.count == 1 ? " key" : " keys") +
                          " outside HKEY_LOCAL_MACHINE (the first: " + Printable(skipped.firstKey) + " at " +
                          Printable(skipped.firstFile) + ":" + std::to_string(skipped.firstLine) + ")";
    if (skipped.malformedLines > 0) {
        warning += ", with " + std::to_string(skipped.malformedLines) +
                   (skipped.malformedLines == 1 ? " malformed line" : " malformed lines") +
                   " among them (the first: " + skipped.firstMalformed + ")";
    }
    return warning;
}

std::string LeftOutLinesWarning(const SkippedKeys& skipped)
{
    constexpr size_t kNamed = 3;
    if (skipped.leftOutCount == 0)
        return "";
    std::string warning = "warning: left out " + std::to_string(skipped.leftOutCount) +
                          (skipped.leftOutCount == 1 ? " line" : " lines") + " that regedit leaves out on import (";
    const size_t named = std::min(kNamed, skipped.leftOut.size());
    if (named < skipped.leftOutCount)
        warning += "the first " + std::to_string(named) + ": ";
    for (size_t i = 0; i < named; ++i)
        warning += (i == 0 ? "" : "; ") + skipped.leftOut[i].Text();
    return warning + ")";
}

}  // namespace qalm
