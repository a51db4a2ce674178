// The registry model: a tree of keys under HKEY_LOCAL_MACHINE. Names are
// matched without regard to case and keep their case; subkeys are kept in
// case-insensitive sorted order (ASCII letters compared upper-cased, as the
// platform does), so a name or an index is found without a walk over the
// siblings. Values are kept sorted by name the same way.
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

// The longest key name the platform stores, in characters.
constexpr size_t MaxKeyNameLength = 255;

struct RegValue {
    std::string name;  // "" is the default value
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
};

class RegKey : public std::enable_shared_from_this<RegKey> {
public:
    RegKey(std::string name, RegKey* parent);
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    const std::string& Name() const { return name_; }
    RegKey* Parent() const { return parent_; }
    // Relative to HKEY_LOCAL_MACHINE; "" for the root. A deleted key is
    // detached from the tree, so its path is its own name alone.
    std::string Path() const;
    bool IsDeleted() const { return deleted_; }

    size_t SubkeyCount() const { return subkeys_.size(); }
    RegKey& SubkeyAt(size_t index) const { return *subkeys_[index]; }
    RegKey* FindSubkey(std::string_view name) const;
    // The existing one when present. Throws std::invalid_argument for an empty
    // name, a name with a backslash or one longer than MaxKeyNameLength.
    RegKey& CreateSubkey(std::string_view name);
    std::shared_ptr<RegKey> SharedSubkey(std::string_view name) const;
    // A backslash-separated path below this key, a trailing backslash
    // accepted; nullptr when a key on the way is absent or a name is empty.
    RegKey* FindPath(std::string_view relativePath) const;

    const std::vector<RegValue>& Values() const { return values_; }
    const RegValue* FindValue(std::string_view name) const;
    void SetValue(std::string_view name, DWORD type, std::vector<BYTE> data);
    bool DeleteValue(std::string_view name);

    // Detaches a subkey with its whole subtree; every key in it becomes deleted,
    // and handles still open on them answer ERROR_KEY_DELETED.
    bool RemoveSubkey(std::string_view name);

    // Faults a test plants to reproduce keys the program cannot remove. Both
    // act on NT-family platforms; the 9x registry has no security, so there
    // refusedAccess is ignored while refusesDeletion still holds (a recursive
    // 9x deletion that meets such a key anywhere in the subtree removes nothing).
    REGSAM refusedAccess = 0;     // an open asking for any of these rights fails with ERROR_ACCESS_DENIED
    bool refusesDeletion = false; // RegDeleteKeyA on this key fails with ERROR_ACCESS_DENIED

private:
    std::vector<std::shared_ptr<RegKey>>::const_iterator LowerBound(std::string_view name) const;
    std::vector<RegValue>::const_iterator LowerBoundValue(std::string_view name) const;
    void MarkSubtreeDeleted();

    std::string name_;
    RegKey* parent_;
    bool deleted_ = false;
    std::vector<std::shared_ptr<RegKey>> subkeys_;  // sorted, case-insensitive
    std::vector<RegValue> values_;                  // sorted, case-insensitive
};

class Registry {
public:
    Registry();
    // Copies would share one tree; Clone says what is meant.
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    Registry(Registry&&) = default;
    Registry& operator=(Registry&&) = default;

    RegKey& Root() const { return *root_; }
    std::shared_ptr<RegKey> SharedRoot() const { return root_; }

    // Paths are backslash-separated, relative to HKEY_LOCAL_MACHINE; a trailing
    // backslash is accepted. Find answers nullptr when any key on the way is absent.
    RegKey* Find(std::string_view path) const;
    // Creates every missing key on the way; "" is the root. Throws
    // std::invalid_argument naming the path for an empty key name or one
    // longer than MaxKeyNameLength, before anything is created.
    RegKey& Create(std::string_view path);
    bool DeleteTree(std::string_view path);  // never the root
    // Creates the key when absent.
    void SetValue(std::string_view path, std::string_view name, DWORD type, std::vector<BYTE> data);
    void SetString(std::string_view path, std::string_view name, std::string_view text);  // REG_SZ, terminated
    void SetDword(std::string_view path, std::string_view name, DWORD value);             // REG_DWORD

    size_t KeyCount() const;  // every key below the root
    Registry Clone() const;   // a deep copy without faults or handles

    // One line per key ("SOFTWARE\VQR") followed by one per value
    // ("  Name = type 4: 01 00 00 00"), depth first in enumeration order:
    // two registries with equal contents have equal dumps.
    std::string Dump() const;

private:
    std::shared_ptr<RegKey> root_;
};

}  // namespace win32sim
