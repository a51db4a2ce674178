// The 9x reader on a SYSTEM.DAT written by Windows ME: every key and value,
// name, type and byte, as libcreg's own cregexport lists them.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "hives/creg_file.h"
#include "offline_test_support.h"

namespace qalm::testing {
namespace {

DWORD TypeFromListing(const std::string& line)
{
    static const std::pair<const char*, DWORD> kTypes[] = {{"(REG_SZ)", REG_SZ},
                                                           {"(REG_EXPAND_SZ)", REG_EXPAND_SZ},
                                                           {"(REG_BINARY)", REG_BINARY},
                                                           {"(REG_MULTI_SZ)", REG_MULTI_SZ},
                                                           {"(REG_DWORD_LITTLE_ENDIAN)", REG_DWORD},
                                                           {"(REG_NONE)", REG_NONE}};
    for (const auto& [name, type] : kTypes) {
        if (line.size() >= std::strlen(name) &&
            line.compare(line.size() - std::strlen(name), std::string::npos, name) == 0)
            return type;
    }
    throw std::runtime_error("a type cregexport names and the test does not know: " + line);
}

bool IsHexDumpLine(const std::string& line)
{
    return line.size() > 10 && line[8] == ':' && line.find_first_not_of("0123456789abcdef") == 8;
}

// cregexport's listing as a registry: "Key path:" lines, each value's
// "Value: N NAME", "Type:", "Data size:", then its data as a hex dump (a
// DWORD's as its decimal value alone).
win32sim::Registry RegistryFromListing(const std::string& listing)
{
    win32sim::Registry registry;
    std::istringstream in(listing);
    std::string line;
    win32sim::RegKey* key = nullptr;
    std::string name;
    DWORD type = REG_NONE;
    size_t size = 0;
    std::vector<BYTE> data;
    bool inValue = false;
    const auto finishValue = [&] {
        if (!inValue)
            return;
        if (data.size() != size)
            throw std::runtime_error("value \"" + name + "\": " + std::to_string(data.size()) + " bytes listed, " +
                                     std::to_string(size) + " said");
        key->SetValue(name, type, data);
        inValue = false;
    };
    while (std::getline(in, line)) {
        if (line.rfind("Key path: ", 0) == 0) {
            finishValue();
            key = &registry.Create(line.substr(10));
        } else if (line.rfind("Value: ", 0) == 0) {
            finishValue();
            name = line.substr(line.find(' ', 7) + 1);
            if (name == "(default)")
                name.clear();
            data.clear();
            inValue = true;
        } else if (inValue && line.rfind("Type: ", 0) == 0) {
            type = TypeFromListing(line);
        } else if (inValue && line.rfind("Data size: ", 0) == 0) {
            size = std::stoul(line.substr(11));
        } else if (inValue && type == REG_DWORD && line.rfind("Data: ", 0) == 0) {
            const unsigned long number = std::stoul(line.substr(6));
            for (int shift = 0; shift < 32; shift += 8)
                data.push_back(static_cast<BYTE>(number >> shift & 0xFF));
        } else if (inValue && IsHexDumpLine(line)) {
            // "00000000: 43 3a 5c 57 49 4e 44 4f  57 53 5c 49 4e 46         C:\WINDO WS\INF"
            for (size_t at = 10; at + 2 <= line.size() && data.size() < size; at += 3) {
                if (line[at] == ' ')
                    ++at;  // the gap after eight bytes
                if (at + 2 > line.size() || line[at] == ' ')
                    break;
                data.push_back(static_cast<BYTE>(std::stoul(line.substr(at, 2), nullptr, 16)));
            }
        }
    }
    finishValue();
    return registry;
}

TEST(CregReader, ReadsEveryKeyAndValueOfAWindowsMeSystemDatAsCregexportListsThem)
{
    const std::string file = QALM_OFFLINE_TEST_DATA "/me/SYSTEM.DAT";
    const ToolRun listing = RunTool({QALM_CREGEXPORT, file});
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    const win32sim::Registry expected = RegistryFromListing(listing.output);
    ASSERT_EQ(expected.KeyCount(), 4998u);  // the root is not counted
    ASSERT_EQ(expected.ValueCount(), 15858u);

    win32sim::Registry read;
    Load9xRegistry(file, read);
    EXPECT_EQ(read.KeyCount(), expected.KeyCount());
    EXPECT_EQ(read.ValueCount(), expected.ValueCount());
    EXPECT_TRUE(read.Dump() == expected.Dump());  // not EXPECT_EQ: the dumps are a megabyte each
}

}  // namespace
}  // namespace qalm::testing
