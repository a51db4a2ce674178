#include <sstream>

#include "regfile/reg_writer.h"
#include "regfile_test_support.h"

namespace qalm::testing {
namespace {

TEST(RegWriter, WritesKeysDepthFirstInEnumerationOrderAndValuesByName)
{
    win32sim::Registry registry;
    registry.SetString("b\\Inner", "Zeta", "z");
    registry.SetString("b\\Inner", "alpha", "a");
    registry.SetDword("A", "", 0x12345678);
    registry.Create("_under");

    EXPECT_EQ(Regedit4Of(registry),
              "REGEDIT4\n"
              "\n[HKEY_LOCAL_MACHINE\\A]\n@=dword:12345678\n"
              "\n[HKEY_LOCAL_MACHINE\\b]\n"
              "\n[HKEY_LOCAL_MACHINE\\b\\Inner]\n\"alpha\"=\"a\"\n\"Zeta\"=\"z\"\n"
              "\n[HKEY_LOCAL_MACHINE\\_under]\n"
              "\n");
}

TEST(RegWriter, EscapesQuotesAndBackslashesInNamesAndStrings)
{
    win32sim::Registry registry;
    registry.SetString("K", "\\Device\\Serial0", "say \"COM1\"");
    EXPECT_NE(Regedit4Of(registry).find("\"\\\\Device\\\\Serial0\"=\"say \\\"COM1\\\"\"\n"), std::string::npos);
}

TEST(RegWriter, WritesStringsThatQuotesCannotSpellAsHex)
{
    win32sim::Registry registry;
    registry.SetValue("K", "Unterminated", REG_SZ, Bytes({'a', 'b'}));
    registry.SetValue("K", "Newline", REG_SZ, Bytes({'a', '\n', 0}));
    registry.SetValue("K", "ShortDword", REG_DWORD, Bytes({1, 2}));
    const std::string text = Regedit4Of(registry);
    EXPECT_NE(text.find("\"Unterminated\"=hex(1):61,62\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Newline\"=hex(1):61,0a,00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"ShortDword\"=hex(4):01,02\n"), std::string::npos) << text;
}

TEST(RegWriter, WrapsLongHexDataWithinEightyColumns)
{
    win32sim::Registry registry;
    registry.SetValue("K", "Blob", REG_BINARY, std::vector<BYTE>(200, 0xab));
    std::istringstream lines(Regedit4Of(registry));
    std::string line;
    size_t continued = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        continued += !line.empty() && line.back() == '\\';
    }
    EXPECT_GE(continued, 7u);  // 600 characters of data need at least eight lines
}

// Large exports are written in pieces; a piece may end between a value's name
// and its data, and the data must still be wrapped by the columns of its line.
TEST(RegWriter, WrapsNoShortHexLineAcrossTheWritesOfALargeExport)
{
    win32sim::Registry registry;
    for (int i = 0; i < 4000; ++i)
        registry.SetValue("K", "v" + std::to_string(10000 + i), REG_BINARY, Bytes({1, 2, 3, 4}));
    std::istringstream lines(Regedit4Of(registry));
    std::string line;
    while (std::getline(lines, line))
        ASSERT_TRUE(line.empty() || line.back() != '\\') << line;
}

// What the writer makes, the reader turns back into the same registry.
TEST(RegWriter, RoundTripsEveryValueThroughTheReader)
{
    win32sim::Registry registry;
    registry.SetString("A", "", "default");
    registry.SetString("A", "odd \"name\" \\ here", "C:\\x\\");
    // Text is scanned eight bytes at a time: escapes and line breaks past the first eight.
    registry.SetString("A", "a longer \"name\" past eight\\", "0123456789\\abcdefgh\"ijklmnop\\\\q\"");
    registry.SetValue("A", "Late line break", REG_SZ, StringData("0123456789abcdef\nX"));
    registry.SetDword("A\\B", "Dword", 0xffffffff);
    registry.SetValue("A\\B", "Binary", REG_BINARY, std::vector<BYTE>(300, 7));
    registry.SetValue("A\\B", "Expand", REG_EXPAND_SZ, StringData("%SystemRoot%"));
    registry.SetValue("A\\B", "Multi", REG_MULTI_SZ, Bytes({'a', 0, 'b', 0, 0}));
    registry.SetValue("A\\B", "None", REG_NONE, {});
    registry.SetValue("A\\B", "Big type", 0x7fff0001, Bytes({1}));
    registry.SetValue("A\\B", "Embedded NUL", REG_SZ, Bytes({'a', 0, 'b', 0}));
    registry.SetString("A\\B\\[bracket]", "Latin-1 \xe9", "\xe9t\xe9");
    registry.Create("Empty\\Keys\\Too");

    const win32sim::Registry reread = RegistryFrom(Regedit4Of(registry));
    EXPECT_EQ(reread.Dump(), registry.Dump());
}

TEST(RegWriter, WritesAUnicodeExportThatReadsBackTheSame)
{
    win32sim::Registry registry;
    registry.SetString("Caf\xc3\xa9\\Fax \xf0\x9f\x93\xa0", "N\xc3\xa4me", "\xe2\x82\xac 5");
    registry.SetValue("A", "Expand", REG_EXPAND_SZ, StringData("%SystemRoot%\\\xc3\xa9"));
    registry.SetValue("A", "Multi", REG_MULTI_SZ, Bytes({'a', 0, 'b', 0, 0}));
    registry.SetValue("A", "Binary", REG_BINARY, std::vector<BYTE>(100, 0xfe));

    std::ostringstream out;
    WriteRegFile(registry, out, RegFileFormat::Unicode);
    const std::string file = out.str();
    ASSERT_EQ(file.substr(0, 6), std::string("\xFF\xFEW\0i\0", 6));
    EXPECT_EQ(file.substr(file.size() - 4), std::string("\r\0\n\0", 4));
    EXPECT_EQ(RegistryFrom(file).Dump(), registry.Dump());
}

}  // namespace
}  // namespace qalm::testing
