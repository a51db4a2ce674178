// The registry model: a tree of keys under HKEY_LOCAL_MACHINE. Names are
// matched without regard to case and keep their case; subkeys are kept in
// case-insensitive sorted order, so a name or an index is found without a
// walk over the siblings.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace win32sim {

struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

struct RegValue {
    std::string name;  // "" is the default value
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
};

class RegKey {
public:
    RegKey(std::string name, RegKey* parent);

    const std::string& Name() const { return name_; }
    RegKey* Parent() const { return parent_; }
    std::string Path() const;  // relative to HKEY_LOCAL_MACHINE; "" for the root
    bool IsDeleted() const { return deleted_; }

    size_t SubkeyCount() const { return subkeys_.size(); }
    RegKey& SubkeyAt(size_t index) const { return *subkeys_[index]; }
    RegKey* FindSubkey(std::string_view name) const;
    RegKey& CreateSubkey(std::string_view name);  // the existing one when present
    std::shared_ptr<RegKey> SharedSubkey(std::string_view name) const;

    const std::vector<RegValue>& Values() const { return values_; }
    const RegValue* FindValue(std::string_view name) const;
    void SetValue(std::string_view name, DWORD type, std::vector<BYTE> data);
    bool DeleteValue(std::string_view name);

    // Detaches a subkey with its whole subtree; every key in it becomes deleted,
    // and handles still open on them answer ERROR_KEY_DELETED.
    bool RemoveSubkey(std::string_view name);

    // Faults a test plants to reproduce keys the program cannot remove.
    REGSAM refusedAccess = 0;     // an open asking for any of these rights fails with ERROR_ACCESS_DENIED
    bool refusesDeletion = false; // RegDeleteKeyA on this key fails with ERROR_ACCESS_DENIED

private:
    void MarkDeleted();

    std::string name_;
    RegKey* parent_;
    bool deleted_ = false;
    std::vector<std::shared_ptr<RegKey>> subkeys_;  // sorted, case-insensitive
    std::vector<RegValue> values_;
};

class Registry {
public:
    Registry();

    RegKey& Root() const { return *root_; }
    std::shared_ptr<RegKey> SharedRoot() const { return root_; }

    // Paths are backslash-separated, relative to HKEY_LOCAL_MACHINE; a trailing
    // backslash is accepted. Find answers nullptr when any key on the way is absent.
    RegKey* Find(std::string_view path) const;
    RegKey& Create(std::string_view path);
    bool DeleteTree(std::string_view path);  // never the root
    void SetValue(std::string_view path, std::string_view name, DWORD type, std::vector<BYTE> data);

    size_t KeyCount() const;  // every key below the root
    Registry Clone() const;   // a deep copy without faults or handles

private:
    std::shared_ptr<RegKey> root_;
};

}  // namespace win32sim
