// The registry model: a tree of keys under HKEY_LOCAL_MACHINE. Names are
// matched without regard to case and keep their case; subkeys are kept in
// case-insensitive sorted order (ASCII letters compared upper-cased, as the
// platform does), and so are a key's values. Finding or adding a name costs
// O(1) on average, removing one and finding the n-th subkey O(log n) in the
// number of siblings, whatever order the names come in; keys and values added
// are put in order all at once when next read in order. Keys, values, names and data live in the
// registry's own large blocks, which go all at once with the last registry or
// handle holding them.
#pragma once

#include <windows.h>

#include <cstdint>
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
// <0, 0 or >0 as a sorts before, equal to or after b the registry's way.
int CompareNames(std::string_view a, std::string_view b);

// The longest key name the platform stores, in characters.
constexpr size_t MaxKeyNameLength = 255;

// Bytes held elsewhere: a value's data, or data on its way in.
class ByteView {
public:
    using value_type = BYTE;
    using iterator = const BYTE*;
    using const_iterator = const BYTE*;

    ByteView() = default;
    ByteView(const BYTE* bytes, size_t size) : bytes_(bytes), size_(size) {}
    ByteView(const std::vector<BYTE>& bytes) : bytes_(bytes.data()), size_(bytes.size()) {}

    const BYTE* data() const { return bytes_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const BYTE* begin() const { return bytes_; }
    const BYTE* end() const { return bytes_ + size_; }
    BYTE back() const { return bytes_[size_ - 1]; }
    BYTE operator[](size_t index) const { return bytes_[index]; }

    friend bool operator==(ByteView a, ByteView b);
    friend bool operator!=(ByteView a, ByteView b) { return !(a == b); }

private:
    const BYTE* bytes_ = nullptr;
    size_t size_ = 0;
};

class RegKey;

// A value: its name, type and data. A copy keeps the data as it was when
// copied, even after the value is replaced or removed.
class RegValue {
public:
    std::string_view Name() const;  // "" is the default value
    DWORD Type() const { return type_; }
    ByteView Data() const;

protected:
    RegValue() = default;  // only the registry makes values

    const char* block_ = nullptr;  // the name and the data, where the registry keeps them
    uint32_t dataSize_ = 0;
    DWORD type_ = REG_NONE;
};

// The subkeys of a key, or its values, in name order.
template <class Node>
class Siblings {
public:
    class Iterator {
    public:
        explicit Iterator(const Node* node) : node_(node) {}
        const Node& operator*() const { return *node_; }
        const Node* operator->() const { return node_; }
        Iterator& operator++();
        bool operator!=(const Iterator& other) const { return node_ != other.node_; }
        bool operator==(const Iterator& other) const { return node_ == other.node_; }

    private:
        const Node* node_;
    };

    Siblings(const Node* first, size_t size) : first_(first), size_(size) {}
    Iterator begin() const { return Iterator(first_); }
    Iterator end() const { return Iterator(nullptr); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    const Node* first_;
    size_t size_;
};

struct SubtreeSize;

class RegKey {
public:
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    std::string_view Name() const;
    RegKey* Parent() const;
    // Relative to HKEY_LOCAL_MACHINE; "" for the root. A deleted key is
    // detached from the tree, so its path is its own name alone.
    std::string Path() const;
    bool IsDeleted() const { return deleted_; }
    // Keeps the key, and the whole registry's storage, alive.
    std::shared_ptr<RegKey> Shared() const;

    size_t SubkeyCount() const;
    RegKey& SubkeyAt(size_t index) const;
    Siblings<RegKey> Subkeys() const;
    RegKey* FindSubkey(std::string_view name) const;
    // The existing one when present. Throws std::invalid_argument for an empty
    // name, a name with a backslash or one longer than MaxKeyNameLength.
    RegKey& CreateSubkey(std::string_view name);
    std::shared_ptr<RegKey> SharedSubkey(std::string_view name) const;
    // A backslash-separated path below this key, a trailing backslash
    // accepted; nullptr when a key on the way is absent or a name is empty.
    RegKey* FindPath(std::string_view relativePath) const;

    Siblings<RegValue> Values() const;
    const RegValue* FindValue(std::string_view name) const;
    void SetValue(std::string_view name, DWORD type, ByteView data);
    bool DeleteValue(std::string_view name);

    // Detaches a subkey with its whole subtree; every key in it becomes deleted,
    // and handles still open on them answer ERROR_KEY_DELETED.
    bool RemoveSubkey(std::string_view name);

    // Faults a test plants to reproduce keys the program cannot remove. Both
    // act on NT-family platforms; the 9x registry has no security, so there
    // refusedAccess is ignored while refusesDeletion still holds (a recursive
    // 9x deletion that meets such a key anywhere in the subtree removes nothing).
    REGSAM refusedAccess = 0;      // an open asking for any of these rights fails with ERROR_ACCESS_DENIED
    bool refusesDeletion = false;  // RegDeleteKeyA on this key fails with ERROR_ACCESS_DENIED

protected:
    RegKey() = default;  // only the registry makes keys

private:
    friend class Registry;
    SubtreeSize MarkSubtreeDeleted();  // the subtree as it was when recording began
    void SaveValuesBefore();
    size_t ValueCountBefore() const;

    bool deleted_ = false;
    bool added_ = false;  // made while the registry records
};

struct ChangeRecord;
class RegistryState;  // the keys, values and record of one registry, shared with its handles

class Registry {
public:
    Registry();
    // Copies would share one tree; Clone says what is meant.
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    Registry(Registry&&) = default;
    Registry& operator=(Registry&&) = default;

    RegKey& Root() const { return *root_; }
    std::shared_ptr<RegKey> SharedRoot() const { return root_->Shared(); }

    // Paths are backslash-separated, relative to HKEY_LOCAL_MACHINE; a trailing
    // backslash is accepted. Find answers nullptr when any key on the way is absent.
    RegKey* Find(std::string_view path) const;
    // Creates every missing key on the way; "" is the root. Throws
    // std::invalid_argument naming the path for an empty key name or one
    // longer than MaxKeyNameLength, before anything is created.
    RegKey& Create(std::string_view path);
    bool DeleteTree(std::string_view path);  // never the root
    // Creates the key when absent.
    void SetValue(std::string_view path, std::string_view name, DWORD type, ByteView data);
    void SetString(std::string_view path, std::string_view name, std::string_view text);  // REG_SZ, terminated
    void SetDword(std::string_view path, std::string_view name, DWORD value);             // REG_DWORD

    size_t KeyCount() const;    // every key below the root
    size_t ValueCount() const;  // every value, the root's included
    // True while no key name, value name or string (REG_SZ, REG_EXPAND_SZ,
    // REG_MULTI_SZ) stored so far, since removed ones included, held a byte above 0x7F.
    bool OnlyAsciiText() const;
    Registry Clone() const;  // a deep copy without faults or handles

    // From now on every change is recorded (a new start forgets the last record).
    void StartRecording();
    const ChangeRecord& Record() const;  // see change_record.h

    // One line per key ("SOFTWARE\VQR") followed by one per value
    // ("  Name = type 4: 01 00 00 00"), depth first in enumeration order:
    // two registries with equal contents have equal dumps.
    std::string Dump() const;

private:
    std::shared_ptr<RegistryState> state_;
    RegKey* root_;
};

}  // namespace win32sim
