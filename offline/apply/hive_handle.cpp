#include "hive_handle.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hive_apply.h"
#include "regfile/printable.h"

namespace offline {
namespace {

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

void FreeHivexMemory::operator()(void* memory) const { std::free(memory); }

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
    return StoredName(node, keyPath).get();
}

HivexMemory<char> HiveHandle::StoredName(hive_node_h node, const std::string& keyPath) const
{
    errno = 0;
    HivexMemory<char> name(hivex_node_name(hive_, node));
    if (!name)
        Fail("cannot read the name of", keyPath);
    return name;
}

bool HiveHandle::NameIsWhole(hive_node_h node, const std::string& name) const
{
    return hivex_node_name_len(hive_, node) == name.size();
}

HandleList<hive_node_h> HiveHandle::Children(hive_node_h node, const std::string& keyPath) const
{
    errno = 0;
    hive_node_h* children = hivex_node_children(hive_, node);
    if (!children)
        Fail("cannot list the subkeys of", keyPath);
    return HandleList<hive_node_h>(children);
}

HandleList<hive_value_h> HiveHandle::Values(hive_node_h node, const std::string& keyPath) const
{
    errno = 0;
    hive_value_h* values = hivex_node_values(hive_, node);
    if (!values)
        Fail("cannot list the values of", keyPath);
    return HandleList<hive_value_h>(values);
}

std::string HiveHandle::ValueName(hive_value_h value, const std::string& keyPath) const
{
    return StoredValueName(value, keyPath).get();
}

HivexMemory<char> HiveHandle::StoredValueName(hive_value_h value, const std::string& keyPath) const
{
    errno = 0;
    HivexMemory<char> name(hivex_value_key(hive_, value));
    if (!name)
        Fail("cannot read a value's name in", keyPath);
    return name;
}

bool HiveHandle::ValueNameIsWhole(hive_value_h value, const std::string& name) const
{
    return hivex_value_key_len(hive_, value) == name.size();
}

HiveValue HiveHandle::Value(hive_value_h value, const std::string& keyPath) const
{
    const StoredValue stored = Stored(value, keyPath);
    return HiveValue{stored.name.get(), stored.type, std::string(stored.data.get(), stored.size)};
}

StoredValue HiveHandle::Stored(hive_value_h value, const std::string& keyPath) const
{
    StoredValue stored{StoredValueName(value, keyPath), 0, nullptr, 0};
    hive_type type;
    errno = 0;
    stored.data.reset(hivex_value_value(hive_, value, &type, &stored.size));
    if (!stored.data)
        Fail("cannot read the value \"" + qalm::Printable(stored.name.get()) + "\" of", keyPath);
    stored.type = TypeNumber(type);
    return stored;
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
