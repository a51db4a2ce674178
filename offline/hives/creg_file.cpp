#include "hives/creg_file.h"

#include <libcreg.h>

#include <stdexcept>
#include <vector>

#include "offline_error.h"
#include "regfile/printable.h"

namespace qalm {
namespace {

constexpr size_t kMaxKeyDepth = 512;  // the platform's registry nests no deeper

// libcreg's error, freed once read.
class CregError {
public:
    CregError() = default;
    ~CregError() { libcreg_error_free(&error_); }
    CregError(const CregError&) = delete;
    CregError& operator=(const CregError&) = delete;

    libcreg_error_t** Out()
    {
        libcreg_error_free(&error_);
        return &error_;
    }
    std::string Text() const
    {
        char text[512] = "";
        if (!error_ || libcreg_error_sprint(error_, text, sizeof text) < 0)
            return "no reason given";
        return text;
    }

private:
    libcreg_error_t* error_ = nullptr;
};

// Owns a libcreg key or value, freed with Free.
template <typename Object, int (*Free)(Object**, libcreg_error_t**)>
class CregObject {
public:
    CregObject() = default;
    ~CregObject()
    {
        libcreg_error_t* ignored = nullptr;
        Free(&object_, &ignored);
        libcreg_error_free(&ignored);
    }
    CregObject(const CregObject&) = delete;
    CregObject& operator=(const CregObject&) = delete;
    Object** Out() { return &object_; }
    Object* Get() const { return object_; }

private:
    Object* object_ = nullptr;
};

using CregKey = CregObject<libcreg_key_t, libcreg_key_free>;
using CregValue = CregObject<libcreg_value_t, libcreg_value_free>;

class CregFile {
public:
    explicit CregFile(const std::string& path) : path_(path)
    {
        if (libcreg_file_initialize(&file_, error_.Out()) != 1)
            throw OfflineError(Printable(path_) + ": libcreg cannot start: " + error_.Text());
        if (libcreg_file_open(file_, path_.c_str(), libcreg_get_access_flags_read(), error_.Out()) != 1) {
            const std::string reason = error_.Text();
            libcreg_file_free(&file_, error_.Out());
            throw OfflineError(Printable(path_) + ": libcreg cannot open it as a 9x registry file: " + reason);
        }
        opened_ = true;
    }
    ~CregFile()
    {
        if (opened_)
            libcreg_file_close(file_, error_.Out());
        libcreg_file_free(&file_, error_.Out());
    }
    CregFile(const CregFile&) = delete;
    CregFile& operator=(const CregFile&) = delete;

    void Load(win32sim::Registry& registry)
    {
        CregKey root;
        if (libcreg_file_get_root_key(file_, root.Out(), error_.Out()) != 1 || !root.Get())
            Fail("", "libcreg cannot read the root key: " + error_.Text());
        std::string path;
        LoadKey(root.Get(), registry.Root(), path, 0);
    }

private:
    [[noreturn]] void Fail(std::string_view path, const std::string& problem) const
    {
        throw OfflineError(Printable(path_) + ": key HKLM" + (path.empty() ? "" : "\\") + Printable(path) + ": " +
                           problem);
    }

    // The name's bytes as stored: libcreg's size has no terminator.
    template <class Item, class SizeOf, class NameOf>
    std::string RawName(Item* item, SizeOf sizeOf, NameOf nameOf, std::string_view path, const char* what)
    {
        size_t size = 0;
        if (sizeOf(item, &size, error_.Out()) != 1)
            Fail(path, std::string("libcreg cannot read ") + what + ": " + error_.Text());
        std::vector<uint8_t> name(size + 1);
        if (size > 0 && nameOf(item, name.data(), name.size(), error_.Out()) != 1)
            Fail(path, std::string("libcreg cannot read ") + what + ": " + error_.Text());
        return std::string(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(size));
    }

    void LoadKey(libcreg_key_t* source, win32sim::RegKey& key, std::string& path, size_t depth)
    {
        if (depth > kMaxKeyDepth)
            Fail(path, "keys nest deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        LoadValues(source, key, path);

        int count = 0;
        if (libcreg_key_get_number_of_sub_keys(source, &count, error_.Out()) != 1)
            Fail(path, "libcreg cannot read its subkeys: " + error_.Text());
        for (int i = 0; i < count; ++i) {
            CregKey child;
            if (libcreg_key_get_sub_key_by_index(source, i, child.Out(), error_.Out()) != 1 || !child.Get())
                Fail(path, "libcreg cannot read its subkey " + std::to_string(i) + ": " + error_.Text());
            const std::string name =
                RawName(child.Get(), libcreg_key_get_name_size, libcreg_key_get_name, path, "a subkey's name");
            if (key.FindSubkey(name))
                Fail(path, "two subkeys are named \"" + Printable(name) + "\": the file is damaged");
            win32sim::RegKey* subkey = nullptr;
            try {
                subkey = &key.CreateSubkey(name);
            } catch (const std::invalid_argument&) {
                Fail(path, "a subkey's name \"" + Printable(name) + "\" is not one the registry takes");
            }
            const size_t length = path.size();
            path += (path.empty() ? "" : "\\") + name;
            LoadKey(child.Get(), *subkey, path, depth + 1);
            path.resize(length);
        }
    }

    void LoadValues(libcreg_key_t* source, win32sim::RegKey& key, std::string_view path)
    {
        int count = 0;
        if (libcreg_key_get_number_of_values(source, &count, error_.Out()) != 1)
            Fail(path, "libcreg cannot read its values: " + error_.Text());
        for (int i = 0; i < count; ++i) {
            CregValue value;
            if (libcreg_key_get_value_by_index(source, i, value.Out(), error_.Out()) != 1 || !value.Get())
                Fail(path, "libcreg cannot read its value " + std::to_string(i) + ": " + error_.Text());
            const std::string name =
                RawName(value.Get(), libcreg_value_get_name_size, libcreg_value_get_name, path, "a value's name");
            uint32_t type = 0;
            size_t size = 0;
            if (libcreg_value_get_value_type(value.Get(), &type, error_.Out()) != 1 ||
                libcreg_value_get_value_data_size(value.Get(), &size, error_.Out()) != 1)
                Fail(path, "libcreg cannot read its value \"" + Printable(name) + "\": " + error_.Text());
            std::vector<BYTE> data(size);
            if (size > 0 && libcreg_value_get_value_data(value.Get(), data.data(), size, error_.Out()) != 1)
                Fail(path, "libcreg cannot read the data of its value \"" + Printable(name) + "\": " + error_.Text());
            if (key.FindValue(name))
                Fail(path, "two values are named \"" + Printable(name) + "\": the file is damaged");
            key.SetValue(name, type, data);
        }
    }

    std::string path_;
    CregError error_;
    libcreg_file_t* file_ = nullptr;
    bool opened_ = false;
};

}  // namespace

void Load9xRegistry(const std::string& file, win32sim::Registry& registry)
{
    CregFile creg(file);
    creg.Load(registry);
}

}  // namespace qalm
