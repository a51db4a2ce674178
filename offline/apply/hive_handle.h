// One open libhivex handle, closed when it goes out of scope: a handle opened
// for writing that is never committed leaves its file as it was. Each call
// that fails throws ApplyError naming the file, the key and libhivex's reason.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace offline {

// Memory libhivex hands out, which the caller frees.
struct FreeHivexMemory {
    void operator()(void* memory) const;
};
template <typename T>
using HivexMemory = std::unique_ptr<T, FreeHivexMemory>;

// A list of handles read where libhivex put it, which ends with a 0 handle.
template <typename Handle>
class HandleList {
public:
    explicit HandleList(Handle* list) : list_(list)
    {
        while (list_.get()[size_] != 0)
            ++size_;
    }
    const Handle* begin() const { return list_.get(); }
    const Handle* end() const { return list_.get() + size_; }
    size_t size() const { return size_; }
    Handle operator[](size_t index) const { return list_.get()[index]; }

private:
    HivexMemory<Handle> list_;
    size_t size_ = 0;
};

// A value as libhivex hands it out, not copied: what a walk through every
// value of a hive reads.
struct StoredValue {
    HivexMemory<char> name;  // UTF-8, up to the first NUL
    uint32_t type;
    HivexMemory<char> data;
    size_t size;
};

struct HiveValue {
    std::string name;  // UTF-8; empty for the key's default value
    uint32_t type;     // as stored: not every type is one libhivex names
    std::string data;
};

class HiveHandle {
public:
    enum class Mode { Read, Write };
    HiveHandle(const std::string& file, Mode mode);
    ~HiveHandle();
    HiveHandle(const HiveHandle&) = delete;
    HiveHandle& operator=(const HiveHandle&) = delete;

    const std::string& File() const { return file_; }
    hive_node_h Root() const;

    // keyPath only names the key in an error.
    std::string Name(hive_node_h node, const std::string& keyPath) const;
    HivexMemory<char> StoredName(hive_node_h node, const std::string& keyPath) const;  // up to the first NUL
    // False when the stored name holds a NUL: no path can name such a key.
    bool NameIsWhole(hive_node_h node, const std::string& name) const;
    HandleList<hive_node_h> Children(hive_node_h node, const std::string& keyPath) const;
    HandleList<hive_value_h> Values(hive_node_h node, const std::string& keyPath) const;
    std::string ValueName(hive_value_h value, const std::string& keyPath) const;
    // False when the stored name holds a NUL, which the UTF-8 name stops at.
    bool ValueNameIsWhole(hive_value_h value, const std::string& name) const;
    HiveValue Value(hive_value_h value, const std::string& keyPath) const;
    StoredValue Stored(hive_value_h value, const std::string& keyPath) const;

    void DeleteSubtree(hive_node_h node, const std::string& keyPath);
    void SetValues(hive_node_h node, const std::vector<HiveValue>& values, const std::string& keyPath);
    // Writes the whole hive to target, which must not be the file it was opened from:
    // libhivex truncates its target before writing it.
    void CommitTo(const std::string& target);

    // libhivex's last error, as an ApplyError about the key.
    [[noreturn]] void Fail(const std::string& what, const std::string& keyPath) const;

private:
    HivexMemory<char> StoredValueName(hive_value_h value, const std::string& keyPath) const;

    std::string file_;
    hive_h* hive_;
};

// The key as the user sees it in a message: its path, or the hive's root key.
std::string KeyForMessage(const std::string& keyPath);

}  // namespace offline
