#include "hives/nt_hive.h"

#include <hivex.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "apply/hive_header.h"
#include "offline_error.h"
#include "regfile/printable.h"
#include "regfile/utf16.h"

namespace qalm {
namespace {

constexpr size_t kMaxKeyDepth = 512;  // the platform's registry nests no deeper

struct FreeMemory {
    void operator()(void* memory) const { std::free(memory); }
};
template <class T>
using Allocated = std::unique_ptr<T, FreeMemory>;

std::string ErrnoText() { return errno == 0 ? "no reason given" : std::strerror(errno); }

// libhivex gives a key's record length as this many bytes and the bytes its name is stored in.
constexpr size_t kKeyRecordBesideName = 80;

size_t CharacterCount(const char* utf8)
{
    size_t count = 0;
    for (; *utf8 != '\0'; ++utf8)
        count += (static_cast<unsigned char>(*utf8) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

// The node's name, embedded NULs and all; nullopt when libhivex cannot read it (errno says why).
// libhivex's name ends at a NUL, and it counts the whole name only by decoding
// it a second time. Most names are stored a byte a character: such a name is
// whole when it has as many characters as stored bytes, and only then, for one
// stored in UTF-16 has at most half as many. Any other is counted.
std::optional<std::string> NodeName(hive_h* hive, hive_node_h node)
{
    errno = 0;
    const Allocated<char> name(hivex_node_name(hive, node));
    if (!name)
        return std::nullopt;
    const size_t record = hivex_node_struct_length(hive, node);  // 0 when it cannot say
    if (record >= kKeyRecordBesideName && CharacterCount(name.get()) == record - kKeyRecordBesideName)
        return std::string(name.get());
    errno = 0;
    const size_t length = hivex_node_name_len(hive, node);
    if (errno != 0)
        return std::nullopt;
    return std::string(name.get(), length);  // the buffer holds the whole name, NULs and all
}

// Said with every error on a hive cut short, whose errors libhivex gives as a bare errno.
std::string CutShortNote(const std::string& file)
{
    const std::optional<offline::HiveLength> length = offline::CutShort(file);
    if (!length)
        return "";
    return "; the file is cut short: it holds " + std::to_string(length->file) +
           " bytes, where its base block declares " + std::to_string(length->declared);
}

std::string Joined(std::string_view path, std::string_view name)
{
    if (name.empty())  // the root
        return std::string(path);
    return path.empty() ? std::string(name) : std::string(path) + "\\" + std::string(name);
}

}  // namespace

// One walk over the hive into the registry; the path of the key at hand goes
// into every message. It costs a bare libhivex walk through every key and
// value, plus each name's length (libhivex decodes the name a second time to
// count it) and the registry's own work.
class NtHiveWalk {
public:
    NtHiveWalk(const NtHive& hive, win32sim::Registry& registry, const std::vector<RenamedKey>& renamed,
               hive_node_h root)
        : hive_(hive), registry_(registry), renamed_(renamed), visited_{root}
    {
    }

    // path: the key's, extended in place for each subkey.
    void Key(hive_node_h node, win32sim::RegKey& key, std::string& path, size_t depth)
    {
        if (depth > kMaxKeyDepth)
            hive_.Fail(path, "keys nest deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        Values(node, key, path);

        errno = 0;
        const Allocated<hive_node_h> children(hivex_node_children(hive_.hive_, node));
        if (!children)
            hive_.Fail(path, "libhivex cannot read its subkeys: " + ErrnoText());
        for (const hive_node_h* child = children.get(); *child != 0; ++child) {
            // A damaged hive can list a key under two parents, or under itself.
            if (!visited_.insert(*child).second)
                hive_.Fail(path, "a subkey is listed twice: the hive is damaged");
            std::string name = Name(*child, path);
            if (depth == 0)
                name = Renamed(name);
            const size_t keys = registry_.KeyCount();
            win32sim::RegKey* subkey = nullptr;
            try {
                subkey = &key.CreateSubkey(name);
            } catch (const std::invalid_argument&) {
                hive_.Fail(path, "a subkey's name \"" + Printable(name) + "\" is not one the registry takes");
            }
            if (registry_.KeyCount() == keys)  // it found one of that name
                hive_.Fail(path, "two subkeys are named \"" + Printable(name) + "\": the hive is damaged");
            const size_t length = path.size();
            path.append(path.empty() ? "" : "\\").append(name);
            Key(*child, *subkey, path, depth + 1);
            path.resize(length);
        }
    }

private:
    std::string Name(hive_node_h node, std::string_view parentPath) const
    {
        std::optional<std::string> name = NodeName(hive_.hive_, node);
        if (!name)
            hive_.Fail(parentPath, "libhivex cannot read a subkey's name: " + ErrnoText());
        return std::move(*name);
    }

    std::string Renamed(const std::string& name) const
    {
        for (const RenamedKey& renamed : renamed_) {
            if (win32sim::EqualsIgnoringCase(renamed.name, name))
                return renamed.as;
        }
        return name;
    }

    void Values(hive_node_h node, win32sim::RegKey& key, std::string_view path)
    {
        errno = 0;
        const Allocated<hive_value_h> values(hivex_node_values(hive_.hive_, node));
        if (!values)
            hive_.Fail(path, "libhivex cannot read its values: " + ErrnoText());
        for (const hive_value_h* value = values.get(); *value != 0; ++value) {
            errno = 0;
            const size_t nameLength = hivex_value_key_len(hive_.hive_, *value);
            const Allocated<char> name(errno == 0 ? hivex_value_key(hive_.hive_, *value) : nullptr);
            if (!name)
                hive_.Fail(path, "libhivex cannot read a value's name: " + ErrnoText());
            const std::string_view valueName(name.get(), nameLength);

            hive_type type;
            size_t size = 0;
            errno = 0;
            const Allocated<char> data(hivex_value_value(hive_.hive_, *value, &type, &size));
            if (!data && errno != 0)
                hive_.Fail(path, "libhivex cannot read the data of its value \"" + Printable(valueName) +
                                     "\": " + ErrnoText());

            const win32sim::ByteView bytes(reinterpret_cast<const BYTE*>(data.get()), data ? size : 0);
            const DWORD valueType = static_cast<DWORD>(type);
            const size_t values = registry_.ValueCount();
            if (IsStringType(valueType)) {
                Utf16LeToUtf8(bytes.data(), bytes.size(), stringData_);
                key.SetValue(valueName, valueType, stringData_);
            } else {
                key.SetValue(valueName, valueType, bytes);
            }
            if (registry_.ValueCount() == values)  // it replaced one of that name
                hive_.Fail(path, "two values are named \"" + Printable(valueName) + "\": the hive is damaged");
        }
    }

    const NtHive& hive_;
    const win32sim::Registry& registry_;  // for its counts, which tell a name added from one found
    const std::vector<RenamedKey>& renamed_;
    std::unordered_set<hive_node_h> visited_;
    std::vector<BYTE> stringData_;  // one buffer for every string's data as UTF-8
};

NtHive::NtHive(std::string file, std::string shownAs)
    : file_(std::move(file)), shownAs_(std::move(shownAs)), cutShort_(CutShortNote(file_))
{
    errno = 0;
    hive_ = hivex_open(file_.c_str(), 0);
    if (!hive_)
        throw OfflineError(Printable(file_) + ": libhivex cannot open it as a hive: " + ErrnoText() + cutShort_);
}

NtHive::~NtHive() { hivex_close(hive_); }

void NtHive::Fail(std::string_view path, const std::string& problem) const
{
    throw OfflineError(Printable(file_) + ": key " + Printable(Joined(shownAs_, path)) + ": " + problem + cutShort_);
}

size_t NtHive::FindNode(std::string_view path) const
{
    hive_node_h node = hivex_root(hive_);
    while (node != 0 && !path.empty()) {
        const size_t end = std::min(path.find('\\'), path.size());
        node = hivex_node_get_child(hive_, node, std::string(path.substr(0, end)).c_str());
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return node;
}

std::vector<std::string> NtHive::SubkeyNames(std::string_view path) const
{
    const hive_node_h node = FindNode(path);
    if (node == 0)
        Fail(path, "there is no such key");
    errno = 0;
    const Allocated<hive_node_h> children(hivex_node_children(hive_, node));
    if (!children)
        Fail(path, "libhivex cannot read its subkeys: " + ErrnoText());
    std::vector<std::string> names;
    for (const hive_node_h* child = children.get(); *child != 0; ++child) {
        std::optional<std::string> name = NodeName(hive_, *child);
        if (!name)
            Fail(path, "libhivex cannot read a subkey's name: " + ErrnoText());
        names.push_back(std::move(*name));
    }
    return names;
}

std::optional<HiveValue> NtHive::FindValue(std::string_view keyPath, std::string_view name) const
{
    const hive_node_h node = FindNode(keyPath);
    if (node == 0)
        return std::nullopt;
    const hive_value_h value = hivex_node_get_value(hive_, node, std::string(name).c_str());
    if (value == 0)
        return std::nullopt;
    hive_type type;
    size_t size = 0;
    errno = 0;
    const Allocated<char> data(hivex_value_value(hive_, value, &type, &size));
    if (!data && errno != 0)
        Fail(keyPath, "libhivex cannot read the data of its value \"" + Printable(name) + "\": " + ErrnoText());
    const auto* bytes = reinterpret_cast<const BYTE*>(data.get());
    return HiveValue{static_cast<DWORD>(type), std::vector<BYTE>(bytes, bytes + (data ? size : 0))};
}

void NtHive::LoadInto(win32sim::Registry& registry, std::string_view mountKey,
                      const std::vector<RenamedKey>& renamed) const
{
    NtHiveWalk walk(*this, registry, renamed, hivex_root(hive_));
    std::string path;
    walk.Key(hivex_root(hive_), registry.Create(mountKey), path, 0);
}

}  // namespace qalm
