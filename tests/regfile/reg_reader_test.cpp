#include <sstream>

#include "regfile/reg_reader.h"
#include "regfile_test_support.h"

namespace qalm::testing {
namespace {

TEST(RegReader, ReadsEveryValueFormOfARegedit4File)
{
    const win32sim::Registry registry = RegistryFrom(
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VQR]\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=\"C:\\\\Program Files\\\\VQR\"\r\n"
        "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
        "\"Count\"=dword:0000012c\r\n"
        "\"Blob\"=hex:00,ff,10\r\n"
        "\"Expand\"=hex(2):25,41,25,00\r\n"
        "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\"Empty\"=hex:\r\n");

    const std::string key = "SOFTWARE\\VQR";
    EXPECT_TRUE(HasValue(registry, key, "", REG_SZ, StringData("default")));
    EXPECT_TRUE(HasValue(registry, key, "Path", REG_SZ, StringData("C:\\Program Files\\VQR")));
    EXPECT_TRUE(HasValue(registry, key, "Quote", REG_SZ, StringData("say \"hi\"")));
    EXPECT_TRUE(HasValue(registry, key, "Count", REG_DWORD, Bytes({0x2c, 0x01, 0, 0})));
    EXPECT_TRUE(HasValue(registry, key, "Blob", REG_BINARY, Bytes({0x00, 0xff, 0x10})));
    EXPECT_TRUE(HasValue(registry, key, "Expand", REG_EXPAND_SZ, Bytes({'%', 'A', '%', 0})));
    EXPECT_TRUE(HasValue(registry, key, "Qword", 0xb, Bytes({1, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_TRUE(HasValue(registry, key, "Empty", REG_BINARY, {}));
}

TEST(RegReader, KeepsBackslashesThatEscapeNothing)
{
    const win32sim::Registry registry = RegistryFrom("REGEDIT4\n[HKLM\\A]\n\"P\"=\"C:\\temp\\n\"\n");
    EXPECT_TRUE(HasValue(registry, "A", "P", REG_SZ, StringData("C:\\temp\\n")));
}

TEST(RegReader, ContinuesHexDataOverBackslashedLines)
{
    const win32sim::Registry registry = RegistryFrom(
        "REGEDIT4\n"
        "[HKEY_LOCAL_MACHINE\\A]\n"
        "\"Multi\"=hex(7):41,00,\\\n"
        "  42,00,\\\n"
        "  00\n"
        "\"Next\"=dword:00000001\n");
    EXPECT_TRUE(HasValue(registry, "A", "Multi", REG_MULTI_SZ, Bytes({'A', 0, 'B', 0, 0})));
    EXPECT_TRUE(HasValue(registry, "A", "Next", REG_DWORD, Bytes({1, 0, 0, 0})));
}

// Regedit takes a ; comment after any value and after a continuing backslash,
// passes over text after a key line's bracket and blank lines and comments
// within hex bytes, and ends them at the end of the file; under either rule.
TEST(RegReader, ReadsCommentsAndContinuationsAsRegeditDoes)
{
    const std::string text =
        "REGEDIT4\n"
        "[HKLM\\A] ; by hand\n"
        "\"Str\"=\"x\";note\n"
        "\"Dword\"=dword:00000001 ;note\n"
        "\"Bin\"=hex:01,02 ;note\n"
        "\"Drop\"=\"y\"\n"
        "\"Drop\"=- ;note\n"
        "\"Cont\"=hex:01,\\;note\n"
        "\n"
        "  ; between\n"
        "  02,;note\n"
        "\"Last\"=hex:03,\\";
    for (const MalformedLines rule : {MalformedLines::Refuse, MalformedLines::LeaveOut}) {
        win32sim::Registry registry;
        EXPECT_EQ(LoadRegText(text, "test.reg", registry, rule).leftOutCount, 0u);
        EXPECT_EQ(registry.Dump(),
                  "A\n"
                  "  Bin = type 3: 01 02\n"
                  "  Cont = type 3: 01 02\n"
                  "  Dword = type 4: 01 00 00 00\n"
                  "  Last = type 3: 03\n"
                  "  Str = type 1: 78 00\n");
    }
}

TEST(RegReader, AcceptsTheLocalMachineAbbreviationAndAnyLetterCase)
{
    const win32sim::Registry registry = RegistryFrom(
        "REGEDIT4\n[hklm\\SYSTEM\\Setup]\n\"X\"=DWORD:1\n[Hkey_Local_Machine\\SYSTEM\\Setup]\n\"Y\"=HEX:02\n");
    EXPECT_TRUE(HasValue(registry, "SYSTEM\\Setup", "X", REG_DWORD, Bytes({1, 0, 0, 0})));
    EXPECT_TRUE(HasValue(registry, "SYSTEM\\Setup", "Y", REG_BINARY, Bytes({2})));
}

TEST(RegReader, IgnoresCommentsAndBlankLines)
{
    const win32sim::Registry registry = RegistryFrom(
        "REGEDIT4\n; exported for the support desk\n\n   \n[HKLM\\A]\n  ; \"Gone\"=\"no\"\n\"Kept\"=\"yes\"\n");
    EXPECT_EQ(registry.Find("A")->Values().size(), 1u);
    EXPECT_TRUE(HasValue(registry, "A", "Kept", REG_SZ, StringData("yes")));
}

TEST(RegReader, AppliesKeyAndValueDeletionsInFileOrder)
{
    const win32sim::Registry registry = RegistryFrom(
        "REGEDIT4\n"
        "[HKLM\\A\\Old\\Deep]\n\"V\"=\"1\"\n"
        "[HKLM\\A]\n\"Keep\"=\"1\"\n\"Drop\"=\"1\"\n"
        "[-HKLM\\A\\Old]\n"
        "[HKLM\\A]\n\"Drop\"=-\n"
        "[-HKLM\\Never\\There]\n");
    EXPECT_EQ(registry.Find("A\\Old"), nullptr);
    EXPECT_EQ(registry.Find("A")->FindValue("Drop"), nullptr);
    EXPECT_NE(registry.Find("A")->FindValue("Keep"), nullptr);
}

TEST(RegReader, TakesTheLastBracketAsTheEndOfTheKeyName)
{
    const win32sim::Registry registry = RegistryFrom("REGEDIT4\n[HKLM\\A\\[odd] name]\n\"V\"=\"1\"\n");
    EXPECT_NE(registry.Find("A\\[odd] name"), nullptr);
}

TEST(RegReader, SkipsOtherRootsAndCountsThem)
{
    std::istringstream in(
        "REGEDIT4\n"
        "[HKEY_CURRENT_USER\\Software\\VQR]\n\"User\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VQR]\n\"Machine\"=\"1\"\n"
        "[-HKEY_CLASSES_ROOT\\.vqr]\n"
        "[HKU\\S-1-5-18]\n\"Other\"=\"1\"\n");
    win32sim::Registry registry;
    RegistryLoader loader(registry);
    const SkippedKeys skipped = ReadRegFile(in, "mixed.reg", loader);

    EXPECT_EQ(skipped.count, 3u);
    EXPECT_EQ(skipped.firstKey, "HKEY_CURRENT_USER\\Software\\VQR");
    EXPECT_EQ(skipped.firstLine, 2u);
    EXPECT_EQ(registry.KeyCount(), 2u);  // SOFTWARE and SOFTWARE\VQR only
    EXPECT_EQ(registry.Find("SOFTWARE\\VQR")->Values().size(), 1u);
}

TEST(RegReader, ReadsAUtf16ExportAndNarrowsItsStringData)
{
    // "Name" is "Modem" + U+00E9 + a character outside the basic plane (a surrogate pair).
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\u00e9]\r\n"
        u"\"Name\"=\"Modem\u00e9\U0001F4E0\"\r\n"
        u"\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
        u"\"Raw\"=hex:25,00\r\n";
    const win32sim::Registry registry = RegistryFrom(Utf16LeFile(text));

    const std::string key = "SOFTWARE\\Caf\xc3\xa9";
    EXPECT_TRUE(HasValue(registry, key, "Name", REG_SZ, StringData("Modem\xc3\xa9\xf0\x9f\x93\xa0")));
    EXPECT_TRUE(HasValue(registry, key, "Path", REG_EXPAND_SZ, StringData("%A%")));
    EXPECT_TRUE(HasValue(registry, key, "Raw", REG_BINARY, Bytes({0x25, 0x00})));
}

TEST(RegReader, ReplacesUnpairedSurrogatesWithTheReplacementCharacter)
{
    const win32sim::Registry registry = RegistryFrom(
        "Windows Registry Editor Version 5.00\n[HKLM\\A]\n"
        "\"Ends\"=hex(1):41,00,00,d8\n"      // a high surrogate with nothing after it
        "\"Middle\"=hex(1):00,dc,41,00\n");  // a low surrogate on its own
    EXPECT_TRUE(HasValue(registry, "A", "Ends", REG_SZ, Bytes({'A', 0xef, 0xbf, 0xbd, 0})));
    EXPECT_TRUE(HasValue(registry, "A", "Middle", REG_SZ, Bytes({0xef, 0xbf, 0xbd, 'A', 0})));
}

TEST(RegReader, ReadsVersion5AsUtf8WithOrWithoutByteOrderMark)
{
    for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
        const win32sim::Registry registry = RegistryFrom(mark +
                                                         "Windows Registry Editor Version 5.00\n"
                                                         "[HKLM\\A]\n\"Multi\"=hex(7):41,00,00,00,00,00\n");
        EXPECT_TRUE(HasValue(registry, "A", "Multi", REG_MULTI_SZ, Bytes({'A', 0, 0}))) << "mark of " << mark.size();
    }
}

TEST(RegReader, KeepsHexStringDataOfARegedit4FileAsItStands)
{
    const win32sim::Registry registry = RegistryFrom("REGEDIT4\n[HKLM\\A]\n\"Multi\"=hex(7):41,00,00,00\n");
    EXPECT_TRUE(HasValue(registry, "A", "Multi", REG_MULTI_SZ, Bytes({'A', 0, 0, 0})));
}

// Lines that cross the reader's 64 KiB chunks, in both encodings.
TEST(RegReader, ReadsLinesThatCrossItsReadChunks)
{
    const std::string longData(300000, 'x');
    std::u16string text = u"Windows Registry Editor Version 5.00\r\n";
    std::string narrow = "REGEDIT4\r\n";
    for (int key = 0; key < 8; ++key) {
        const std::string lines =
            "[HKLM\\K" + std::to_string(key) + "]\r\n\"V\"=\"" + longData + "\"\r\n\"E\"=dword:7\r\n";
        narrow += lines;
        for (char c : lines)
            text += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    for (const std::string& file : {narrow, Utf16LeFile(text)}) {
        const win32sim::Registry registry = RegistryFrom(file);
        ASSERT_EQ(registry.KeyCount(), 8u);
        EXPECT_TRUE(HasValue(registry, "K7", "V", REG_SZ, StringData(longData)));
        EXPECT_EQ(registry.Find("K5")->Values().size(), 2u);
    }
}

TEST(RegReader, MergesSeveralFilesInOrder)
{
    TemporaryFolder folder;
    const std::string first = folder.Write("first.reg",
                                           "REGEDIT4\n[HKLM\\A]\n\"V\"=\"first\"\n\"W\"=\"first\"\n"
                                           "[HKLM\\B]\n\"V\"=\"first\"\n");
    const std::string second =
        folder.Write("second.reg", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"second\"\n[-HKLM\\B]\n[HKLM\\C]\n");
    win32sim::Registry registry;
    LoadRegFiles({first, second}, registry);

    EXPECT_TRUE(HasValue(registry, "A", "V", REG_SZ, StringData("second")));
    EXPECT_TRUE(HasValue(registry, "A", "W", REG_SZ, StringData("first")));
    EXPECT_EQ(registry.Find("B"), nullptr);
    EXPECT_NE(registry.Find("C"), nullptr);
}

TEST(RegReader, BuildsKeysListedInAnyOrder)
{
    const win32sim::Registry registry = RegistryFrom(
        "REGEDIT4\n[HKLM\\A\\B\\C]\n\"c\"=\"1\"\n[HKLM\\A]\n\"a\"=\"1\"\n[HKLM\\A\\B\\D]\n[HKLM\\A\\b\\c\\E]\n"
        "[HKLM]\n\"root\"=\"1\"\n[HKLM\\Z]\n");
    EXPECT_EQ(registry.Dump(),
              "  root = type 1: 31 00\n"
              "A\n  a = type 1: 31 00\n"
              "A\\B\nA\\B\\C\n  c = type 1: 31 00\nA\\B\\C\\E\nA\\B\\D\n"
              "Z\n");
}

struct MalformedCase {
    const char* title;
    std::string text;
    size_t line;
    const char* expected;  // a part of the message
};

class RegReaderRejects : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(RegReaderRejects, NamingTheLineAndWhatWasExpected)
{
    const MalformedCase& malformed = GetParam();
    win32sim::Registry registry;
    try {
        LoadRegText(malformed.text, "machine.reg", registry);
        FAIL() << "accepted: " << malformed.title;
    } catch (const RegReadError& error) {
        EXPECT_EQ(error.File(), "machine.reg");
        EXPECT_EQ(error.Line(), malformed.line) << error.what();
        EXPECT_NE(std::string(error.what()).find(malformed.expected), std::string::npos) << error.what();
        EXPECT_EQ(std::string(error.what()).rfind("machine.reg:" + std::to_string(malformed.line) + ": ", 0), 0u)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    MalformedFiles, RegReaderRejects,
    ::testing::Values(
        MalformedCase{"empty file", "", 1, "found an empty file"},
        MalformedCase{"no header", "[HKLM\\A]\n", 1, "expected \"REGEDIT4\""},
        MalformedCase{"other header", "REGEDIT5\n", 1, "found \"REGEDIT5\""},
        MalformedCase{"value before a key", "REGEDIT4\n\"V\"=\"1\"\n", 2, "before the first value"},
        MalformedCase{"value after a deletion", "REGEDIT4\n[-HKLM\\A]\n\"V\"=\"1\"\n", 3, "key deletion"},
        MalformedCase{"unclosed key", "REGEDIT4\n[HKLM\\A\n", 2, "expected ]"},
        MalformedCase{"unknown root", "REGEDIT4\n[HKEY_NOWHERE\\A]\n", 2, "found \"HKEY_NOWHERE\""},
        MalformedCase{"empty key name", "REGEDIT4\n[HKLM\\A\\\\B]\n", 2, "between two backslashes"},
        MalformedCase{"key name too long", "REGEDIT4\n[HKLM\\" + std::string(256, 'k') + "]\n", 2,
                      "at most 255 characters"},
        MalformedCase{"key too deep",
                      "REGEDIT4\n[HKLM" +
                          [] {
                              std::string path;
                              for (int level = 0; level < 513; ++level)
                                  path += "\\k";
                              return path;
                          }() +
                          "]\n",
                      2, "at most 512 levels deep"},
        MalformedCase{"root deletion", "REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n", 2, "cannot be deleted"},
        MalformedCase{"stray text", "REGEDIT4\n[HKLM\\A]\nV=1\n", 3, "a [KEY] line, a \"name\"=value line"},
        MalformedCase{"unclosed name", "REGEDIT4\n[HKLM\\A]\n\"V=1\n", 3, "closing \" for the value name"},
        MalformedCase{"no equals", "REGEDIT4\n[HKLM\\A]\n\"V\" \"1\"\n", 3, "= after the value name"},
        MalformedCase{"unclosed string", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"1\n", 3, "closing \" for the string"},
        MalformedCase{"text after string", "REGEDIT4\n[HKLM\\A]\n\"V\"=\"1\"2\n", 3, "after the string"},
        MalformedCase{"unknown data", "REGEDIT4\n[HKLM\\A]\n\"V\"=qword:1\n", 3, "dword:, hex: or hex(N):"},
        MalformedCase{"dword too long", "REGEDIT4\n[HKLM\\A]\n\"V\"=dword:0ffffffff\n", 3,
                      "a dword holds at most 8 hex digits, found 9"},
        MalformedCase{"UTF-16 without its mark", std::string("W\0i\0n\0d\0", 8), 1,
                      "UTF-16 without a byte-order mark: regedit writes one; save the file again or add it"},
        MalformedCase{"dword empty", "REGEDIT4\n[HKLM\\A]\n\"V\"=dword:\n", 3, "up to 8 hex digits"},
        MalformedCase{"bad hex byte", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex:0g\n", 3, ", between hex bytes"},
        MalformedCase{"double comma", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex:01,,02\n", 3, "a hex byte"},
        MalformedCase{"bad type", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex(z):01\n", 3, "hex type number"},
        MalformedCase{"unclosed type", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex(2:01\n", 3, ") after the type"},
        MalformedCase{"bad continuation", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex:01,\\\n  02,zz\n", 4, "a hex byte"},
        MalformedCase{"backslash after a byte", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex:01\\\n  02\n", 3,
                      ", between hex bytes"},
        MalformedCase{"space before a comma", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex:01 ,02\n", 3, ", between hex bytes"},
        MalformedCase{"continued at a backslash", "REGEDIT4\n[HKLM\\A]\n\"V\"=hex:01,\\\n\\\n  02\n", 4, "a hex byte"},
        MalformedCase{"text after =-", "REGEDIT4\n[HKLM\\A]\n\"V\"=-x\n", 3, "after =-"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) {
        std::string name;
        for (const char* c = info.param.title; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(RegReader, KeepsWhatWasReadBeforeAMalformedLine)
{
    win32sim::Registry registry;
    EXPECT_THROW(LoadRegText("REGEDIT4\n[HKLM\\A]\n\"V\"=\"1\"\n[HKLM\\B\n", "bad.reg", registry), RegReadError);
    EXPECT_TRUE(HasValue(registry, "A", "V", REG_SZ, StringData("1")));
}

TEST(RegReader, RefusesAFileThatCannotBeOpened)
{
    TemporaryFolder folder;
    win32sim::Registry registry;
    EXPECT_THROW(LoadRegFiles({folder.PathOf("missing.reg")}, registry), RegFileError);
    EXPECT_THROW(LoadRegFiles({folder.PathOf("")}, registry), RegFileError);  // the folder itself
}

}  // namespace
}  // namespace qalm::testing
