#include "hive_fixture.h"

#include <hivex.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#ifndef QALM_OFFLINE_TEST_DATA
#error QALM_OFFLINE_TEST_DATA names the folder of the minimal hive
#endif

namespace qalm::testing {
namespace {

// Offsets in the hive format, for the two repairs below. A node handle of
// libhivex is the file offset of the key's cell; cell offsets stored in the
// hive count from the first hbin, 0x1000 into the file.
constexpr size_t kFirstHbin = 0x1000;
constexpr size_t kKeySubkeyList = 0x20;  // in an nk cell, after its 4-byte size
constexpr size_t kKeySecurity = 0x30;
constexpr size_t kSecurityCount = 0x10;  // in an sk cell
constexpr size_t kChecksum = 508;

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

uint32_t Dword(const std::string& bytes, size_t offset)
{
    if (offset + 4 > bytes.size())
        throw std::runtime_error("offset beyond the hive's end");
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<size_t>(i)]);
    return value;
}

void SetDword(std::string& bytes, size_t offset, uint32_t value)
{
    if (offset + 4 > bytes.size())
        throw std::runtime_error("offset beyond the hive's end");
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

void FixChecksum(std::string& bytes)
{
    uint32_t checksum = 0;
    for (size_t offset = 0; offset < kChecksum; offset += 4)
        checksum ^= Dword(bytes, offset);
    SetDword(bytes, kChecksum, checksum);
}

std::string Run(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        output.append(buffer, n);
    return output;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

struct HiveCloser {
    void operator()(hive_h* hive) const { hivex_close(hive); }
};
using OpenHive = std::unique_ptr<hive_h, HiveCloser>;

OpenHive Open(const std::string& path)
{
    OpenHive hive(hivex_open(path.c_str(), 0));
    if (!hive)
        throw std::runtime_error("libhivex cannot open " + path + ": " + std::strerror(errno));
    return hive;
}

void CountSecurityReferences(hive_h* hive, hive_node_h node, const std::string& bytes,
                             std::map<size_t, uint32_t>& counts)
{
    ++counts[Dword(bytes, node + kKeySecurity) + kFirstHbin];
    std::unique_ptr<hive_node_h, void (*)(void*)> children(hivex_node_children(hive, node), std::free);
    for (size_t i = 0; children && children.get()[i]; ++i)
        CountSecurityReferences(hive, children.get()[i], bytes, counts);
}

// reged points each key it adds at an existing security record without
// counting it; libhivex's delete would then free a record still in use.
void CountSecurityRecords(const std::string& path)
{
    std::string bytes = ReadBytes(path);
    std::map<size_t, uint32_t> counts;
    {
        const OpenHive hive = Open(path);
        CountSecurityReferences(hive.get(), hivex_root(hive.get()), bytes, counts);
    }
    for (const auto& [record, count] : counts) {
        if (bytes.compare(record + 4, 2, "sk") != 0)
            throw std::runtime_error("a key of " + path + " names no security record");
        SetDword(bytes, record + kSecurityCount, count);
    }
    FixChecksum(bytes);
    WriteBytes(path, bytes);
}

}  // namespace

void MakeHive(const std::string& path, const std::string& prefix, const std::string& regText)
{
    std::filesystem::copy_file(std::string(QALM_OFFLINE_TEST_DATA) + "/minimal", path,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    const std::string regFile = path + ".import.reg";
    WriteBytes(regFile, regText);
    const std::string output = Run("reged -I -C " + Quoted(path) + " " + Quoted(prefix) + " " + Quoted(regFile));
    std::filesystem::remove(regFile);
    if (output.find("operation SUCCEEDED") == std::string::npos)
        throw std::runtime_error("reged -I could not import into " + path + ":\n" + output);
    CountSecurityRecords(path);
}

std::string ExportHive(const std::string& path, const std::string& prefix)
{
    const std::string regFile = path + ".export.reg";
    const std::string output = Run("reged -x " + Quoted(path) + " " + Quoted(prefix) + " '\\' " + Quoted(regFile));
    if (!std::filesystem::exists(regFile))
        throw std::runtime_error("reged -x could not export " + path + ":\n" + output);
    const std::string text = ReadBytes(regFile);
    std::filesystem::remove(regFile);
    return text;
}

void ListSubkeysByIndexOnly(const std::string& path, const std::string& keyPath)
{
    std::string bytes = ReadBytes(path);
    size_t list = 0;
    {
        const OpenHive hive = Open(path);
        hive_node_h node = hivex_root(hive.get());
        std::istringstream parts(keyPath);
        for (std::string part; std::getline(parts, part, '\\');) {
            node = hivex_node_get_child(hive.get(), node, part.c_str());
            if (!node)
                throw std::runtime_error("no key " + keyPath + " in " + path);
        }
        list = Dword(bytes, node + kKeySubkeyList) + kFirstHbin;
    }
    if (bytes.compare(list + 4, 2, "lf") != 0)
        throw std::runtime_error("the subkeys of " + keyPath + " are not in an lf record");
    // An lf entry is a cell offset and a 4-byte hint; an li entry is the offset
    // alone, so the list fits in its old cell.
    const size_t count = static_cast<unsigned char>(bytes[list + 6]) | static_cast<unsigned char>(bytes[list + 7]) << 8;
    bytes[list + 5] = 'i';
    for (size_t i = 0; i < count; ++i)
        SetDword(bytes, list + 8 + 4 * i, Dword(bytes, list + 8 + 8 * i));
    WriteBytes(path, bytes);
}

void PutNulInName(const std::string& path, const std::string& name, size_t at)
{
    std::string bytes = ReadBytes(path);
    const size_t found = bytes.find(name);
    if (found == std::string::npos || bytes.find(name, found + 1) != std::string::npos || at >= name.size())
        throw std::runtime_error(path + " does not hold the name " + name + " once");
    bytes[found + at] = '\0';
    WriteBytes(path, bytes);
}

void SetBaseBlockDword(const std::string& path, size_t offset, uint32_t value, bool fixChecksum)
{
    std::string bytes = ReadBytes(path);
    SetDword(bytes, offset, value);
    if (fixChecksum)
        FixChecksum(bytes);
    WriteBytes(path, bytes);
}

uint32_t BaseBlockDword(const std::string& path, size_t offset) { return Dword(ReadBytes(path), offset); }

}  // namespace qalm::testing
