#include "hive_handle.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hive_apply.h"
#include "regfile/printable.h"

namespace offline {
namespace {

struct FreeMemory {
    void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using Allocated = std::unique_ptr<T, FreeMemory>;

// libhivex ends its lists with a 0 handle.
template <typename Handle>
std::vector<Handle> TakeList(Handle* list)
{
    Allocated<Handle> owned(list);
    std::vector<Handle> handles;
    for (size_t i = 0; list[i] != 0; ++i)
        handles.push_back(list[i]);
    return handles;
}

// A stored type need not be one of the enumeration's names; it is carried
// through as the 32-bit number it is, never loaded as the enumeration.
uint32_t TypeNumber(const hive_type& type)
{
    uint32_t number = 0;
    static_assert(sizeof number == sizeof type, "hive_type is a 32-bit number");
    std::memcpy(&number, &type, sizeof number);
    return number;
}

void SetTypeNumber(hive_type& type, uint32_t number) { std::memcpy(&type, &number, sizeof number); }

}  // namespace

std::string KeyForMessage(const std::string& keyPath)
{
    return keyPath.empty() ? std::string("the root key") : "the key " + qalm::Printable(keyPath);
}

HiveHandle::HiveHandle(const std::string& file, Mode mode)
    : file_(file), hive_(hivex_open(file.c_str(), mode == Mode::Write ? HIVEX_OPEN_WRITE : 0))
{
    if (!hive_)
        throw ApplyError("libhivex cannot open " + qalm::Printable(file) + ": " + std::strerror(errno));
}

HiveHandle::~HiveHandle() { hivex_close(hive_); }

void HiveHandle::Fail(const std::string& what, const std::string& keyPath) const
{
    const int error = errno;
    throw ApplyError(qalm::Printable(file_) + ": " + what + " " + KeyForMessage(keyPath) + ": " +
                     (error ? std::strerror(error) : "libhivex gives no reason"));
}

hive_node_h HiveHandle::Root() const
{
    errno = 0;
    const hive_node_h root = hivex_root(hive_);
    if (root == 0)
        Fail("cannot find", "");
    return root;
}

std::string HiveHandle::Name(hive_node_h node, const std::string& keyPath) const
{
    errno = 0;
    Allocated<char> name(hivex_node_name(hive_, node));
    if (!name)
        Fail("cannot read the name of", keyPath);
    return name.get();
}

bool HiveHandle::NameIsWhole(hive_node_h node, const std::string& name) const
{
    return hivex_node_name_len(hive_, node) == name.size();
}

std::vector<hive_node_h> HiveHandle::Children(hive_node_h node, const std::string& keyPath) const
{
    errno = 0;
    hive_node_h* children = hivex_node_children(hive_, node);
    if (!children)
        Fail("cannot list the subkeys of", keyPath);
    return TakeList(children);
}

std::vector<hive_value_h> HiveHandle::Values(hive_node_h node, const std::string& keyPath) const
{
    errno = 0;
    hive_value_h* values = hivex_node_values(hive_, node);
    if (!values)
        Fail("cannot list the values of", keyPath);
    return TakeList(values);
}

std::string HiveHandle::ValueName(hive_value_h value, const std::string& keyPath) const
{
    errno = 0;
    Allocated<char> name(hivex_value_key(hive_, value));
    if (!name)
        Fail("cannot read a value's name in", keyPath);
    return name.get();
}

bool HiveHandle::ValueNameIsWhole(hive_value_h value, const std::string& name) const
{
    return hivex_value_key_len(hive_, value) == name.size();
}

HiveValue HiveHandle::Value(hive_value_h value, const std::string& keyPath) const
{
    HiveValue result{ValueName(value, keyPath), 0, {}};
    hive_type type;
    size_t length = 0;
    errno = 0;
    Allocated<char> data(hivex_value_value(hive_, value, &type, &length));
    if (!data)
        Fail("cannot read the value \"" + qalm::Printable(result.name) + "\" of", keyPath);
    result.type = TypeNumber(type);
    result.data.assign(data.get(), length);
    return result;
}

void HiveHandle::DeleteSubtree(hive_node_h node, const std::string& keyPath)
{
    errno = 0;
    if (hivex_node_delete_child(hive_, node) == 0)
        return;
    if (errno == ENOTSUP)
        throw ApplyError(qalm::Printable(file_) + ": cannot delete " + KeyForMessage(keyPath) + ": " +
                         std::strerror(ENOTSUP) +
                         " (libhivex deletes a key only where its parent lists subkeys in lf or lh records, and this "
                         "one uses an li record)");
    Fail("cannot delete", keyPath);
}

void HiveHandle::SetValues(hive_node_h node, const std::vector<HiveValue>& values, const std::string& keyPath)
{
    std::vector<hive_set_value> settings(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        // libhivex only reads through these pointers.
        settings[i].key = const_cast<char*>(values[i].name.c_str());
        SetTypeNumber(settings[i].t, values[i].type);
        settings[i].len = values[i].data.size();
        settings[i].value = const_cast<char*>(values[i].data.data());
    }
    errno = 0;
    if (hivex_node_set_values(hive_, node, settings.size(), settings.data(), 0) != 0)
        Fail("cannot rewrite the values of", keyPath);
}

void HiveHandle::CommitTo(const std::string& target)
{
    errno = 0;
    if (hivex_commit(hive_, target.c_str(), 0) != 0) {
        const int error = errno;
        throw ApplyError("cannot write " + qalm::Printable(target) + ": " +
                         (error ? std::strerror(error) : "libhivex gives no reason"));
    }
}

}  // namespace offline
