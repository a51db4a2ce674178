// Helpers for the tests of the .reg library and of the preview: machines
// written as .reg text, the registry checked by path, temporary files.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "regfile/machine_loader.h"
#include "regfile/reg_writer.h"
#include "win32sim/registry.h"

namespace qalm::testing {

// The machine as a REGEDIT4 export, as the writer makes it.
inline std::string Regedit4Of(const win32sim::Registry& registry)
{
    std::ostringstream out;
    WriteRegedit4(registry, out);
    return out.str();
}

inline win32sim::Registry RegistryFrom(const std::string& regText)
{
    win32sim::Registry registry;
    LoadRegText(regText, "test.reg", registry);
    return registry;
}

inline std::vector<BYTE> Bytes(std::initializer_list<int> bytes)
{
    std::vector<BYTE> data;
    for (int byte : bytes)
        data.push_back(static_cast<BYTE>(byte));
    return data;
}

inline std::vector<BYTE> StringData(const std::string& text)
{
    const char* terminated = text.c_str();
    return std::vector<BYTE>(terminated, terminated + text.size() + 1);
}

// The value's type and data, or a failure naming what is missing.
inline ::testing::AssertionResult HasValue(const win32sim::Registry& registry, const std::string& path,
                                           const std::string& name, DWORD type, const std::vector<BYTE>& data)
{
    const win32sim::RegKey* key = registry.Find(path);
    if (!key)
        return ::testing::AssertionFailure() << "no key " << path;
    const win32sim::RegValue* value = key->FindValue(name);
    if (!value)
        return ::testing::AssertionFailure() << "no value \"" << name << "\" in " << path;
    if (value->Type() != type)
        return ::testing::AssertionFailure() << path << " \"" << name << "\" has type " << value->Type();
    if (value->Data() != data)
        return ::testing::AssertionFailure()
               << path << " \"" << name << "\" has other data (" << value->Data().size() << " bytes)";
    return ::testing::AssertionSuccess();
}

// UTF-16LE with its byte-order mark, from ASCII or UTF-8 text.
std::string Utf16LeFile(const std::u16string& text);

// A file in the test's own temporary folder, removed with it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    std::string Write(const std::string& name, const std::string& content) const;
    std::string PathOf(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> Names() const;

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);

}  // namespace qalm::testing
