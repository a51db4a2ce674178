// Fills the stand-in's registry from .reg files, merged in the order given:
// a later file adds to, overrides or deletes what the earlier ones made.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "regfile/reg_reader.h"
#include "win32sim/registry.h"

namespace qalm {

// The reader's events applied to a registry.
class RegistryLoader : public RegSink {
public:
    explicit RegistryLoader(win32sim::Registry& registry) : registry_(registry) {}

    void OpenKey(std::string_view path) override;
    void DeleteKey(std::string_view path) override;
    void SetValue(std::string_view name, DWORD type, const std::vector<BYTE>& data) override;
    void DeleteValue(std::string_view name) override;

private:
    win32sim::Registry& registry_;
    win32sim::RegKey* current_ = nullptr;
    std::string currentPath_;  // exports list a key's subkeys right after it: they start from here
};

// Throws RegReadError for a malformed file (as ReadRegFile) and RegFileError for one that cannot be read.
SkippedKeys LoadRegFiles(const std::vector<std::string>& paths, win32sim::Registry& registry,
                         MalformedLines malformed = MalformedLines::Refuse);
SkippedKeys LoadRegText(std::string_view text, const std::string& name, win32sim::Registry& registry,
                        MalformedLines malformed = MalformedLines::Refuse);

// The one warning for keys of other roots, or "" when there were none.
std::string SkippedKeysWarning(const SkippedKeys& skipped);
// The one warning for the lines left out, the first few named, or "" when there were none.
std::string LeftOutLinesWarning(const SkippedKeys& skipped);

}  // namespace qalm
