#include <sstream>

#include "preview_command.h"
#include "preview_test_support.h"
#include "run/preview.h"
#include "sample_machine.h"

namespace qalm::testing {
namespace {

struct CommandResult {
    int status;
    std::string out;
    std::string err;
};

CommandResult RunCommand(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunPreviewCommand(arguments, out, err);
    return {status, out.str(), err.str()};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const char* const kNt4Machine =
    "REGEDIT4\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n\"QalmPort1\"=\"COM3\"\n\"Serial0\"=\"COM1\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VQR\\Modem]\n\"Version\"=\"7\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QalmPort]\n\"Type\"=dword:00000001\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial]\n\"Type\"=dword:00000001\n";

TEST(PreviewCommand, ShowsTheSampleMachineOnXpByDefault)
{
    const CommandResult result = RunCommand({});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(Contains(result.out, "Platform: winxp (Windows NT 5.1, build 2600) -> MODE_NT5")) << result.out;
    EXPECT_TRUE(Contains(result.out, "remove  PCI\\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\\4&1f7dbc9f&0&48f0   ok"))
        << result.out;
    EXPECT_TRUE(Contains(result.out, "- VQRMDM ")) << result.out;
    EXPECT_TRUE(Contains(result.out, "- QalmPort ")) << result.out;
    EXPECT_FALSE(Contains(result.out, "VQRMDMDiag")) << result.out;
    EXPECT_FALSE(Contains(result.out, "QalmPort2")) << result.out;
    EXPECT_TRUE(Contains(result.out, "Exit code: 18")) << result.out;
    EXPECT_EQ(result.err, "");
}

TEST(PreviewCommand, RunsTheNt4SequenceOnAGivenExport)
{
    TemporaryFolder folder;
    const CommandResult result = RunCommand({"--os", "nt40", folder.Write("nt4.reg", kNt4Machine)});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(Contains(result.out, "-> MODE_NT4")) << result.out;
    EXPECT_TRUE(Contains(result.out, "stop     QalmPort                failed: ERROR_SERVICE_NOT_ACTIVE"))
        << result.out;
    EXPECT_TRUE(Contains(result.out, "delete   QalmPort                ok")) << result.out;
    EXPECT_TRUE(Contains(result.out, "- QalmPort   1 key, 1 value")) << result.out;
    EXPECT_TRUE(Contains(result.out, "- value \"QalmPort1\" (REG_SZ)")) << result.out;
    EXPECT_TRUE(Contains(result.out, "- VQR        2 keys, 1 value")) << result.out;
}

TEST(PreviewCommand, ReportsTheMessageOfAnUnsupportedPlatform)
{
    const CommandResult result = RunCommand({"--os=win31"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Contains(result.out, "-> MODE_UNSUPPORTED")) << result.out;
    EXPECT_TRUE(Contains(result.out, "Removed from HKEY_LOCAL_MACHINE: nothing")) << result.out;
    EXPECT_TRUE(Contains(result.out, "Printed:   \"This program requires WINDOWS 95 or NT\"")) << result.out;
}

TEST(PreviewCommand, WritesTheReportAsJson)
{
    const CommandResult result = RunCommand({"--json", "--os", "winxp"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.front(), '{');
    EXPECT_TRUE(Contains(result.out, "\"mode\": \"MODE_NT5\"")) << result.out;
    EXPECT_TRUE(Contains(result.out,
                         "{\"path\": \"SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\VQRMDM\", "
                         "\"keys\": 1, \"values\": 7}"))
        << result.out;
    EXPECT_TRUE(Contains(result.out, "\"exitCode\": 18")) << result.out;
}

TEST(PreviewCommand, WritesTheAfterStateThatReadsBackAsTheMachineAfterTheRun)
{
    TemporaryFolder folder;
    const std::string after = folder.PathOf("after.reg");
    const CommandResult result = RunCommand({"--os", "nt40", "--after", after, folder.Write("nt4.reg", kNt4Machine)});
    ASSERT_EQ(result.status, 0) << result.err;

    const win32sim::Registry reread = RegistryFrom(ReadFile(after));
    EXPECT_EQ(reread.Find("SOFTWARE\\VQR"), nullptr);
    EXPECT_EQ(reread.Find("SYSTEM\\CurrentControlSet\\Services\\QalmPort"), nullptr);
    EXPECT_NE(reread.Find("SYSTEM\\CurrentControlSet\\Services\\Serial"), nullptr);
    EXPECT_TRUE(HasValue(reread, "HARDWARE\\DEVICEMAP\\SERIALCOMM", "Serial0", REG_SZ, StringData("COM1")));
    EXPECT_EQ(reread.Find("HARDWARE\\DEVICEMAP\\SERIALCOMM")->Values().size(), 1u);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"after.reg", "nt4.reg"}));  // no temporary file left
}

TEST(PreviewCommand, WritesTheSameAfterStateEveryTime)
{
    TemporaryFolder folder;
    ASSERT_EQ(RunCommand({"--after", folder.PathOf("one.reg")}).status, 0);
    ASSERT_EQ(RunCommand({"--after", folder.PathOf("two.reg")}).status, 0);
    EXPECT_EQ(ReadFile(folder.PathOf("one.reg")), ReadFile(folder.PathOf("two.reg")));
}

// Text that is not ASCII: the same machine as UTF-8 REGEDIT4 or as a UTF-16
// export comes back as one Unicode export, the UTF-16 file byte for byte.
TEST(PreviewCommand, WritesNonAsciiTextAsOneUnicodeExportFromEitherFormat)
{
    const std::string unicode = Utf16LeFile(
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\\u041c\u043e\u0434\u0435\u043c]\r\n"
        u"\"\u0418\u043c\u044f\"=\"\u0424\u0430\u043a\u0441 \U0001F4E0\"\r\n\r\n");
    const std::string regedit4 =
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\\u041c\u043e\u0434\u0435\u043c]\n"
        "\"\u0418\u043c\u044f\"=\"\u0424\u0430\u043a\u0441 \U0001F4E0\"\n";
    TemporaryFolder folder;
    for (const std::string& input : {folder.Write("unicode.reg", unicode), folder.Write("regedit4.reg", regedit4)}) {
        ASSERT_EQ(RunCommand({"--os", "vista", "--after", folder.PathOf("after.reg"), input}).status, 0);
        EXPECT_EQ(ReadFile(folder.PathOf("after.reg")), unicode) << input;
    }
}

// Bytes of an ANSI code page that the file does not name go back as they were read.
TEST(PreviewCommand, WritesAnsiTextBackAsItsBytes)
{
    const std::string ansi =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xe9]\n"
        "\"Name\"=\"Fax \xe9t\xe9\"\n\n";
    TemporaryFolder folder;
    const std::string input = folder.Write("ansi.reg", ansi);
    ASSERT_EQ(RunCommand({"--os", "vista", "--after", folder.PathOf("after.reg"), input}).status, 0);
    EXPECT_EQ(ReadFile(folder.PathOf("after.reg")), ansi);
}

TEST(PreviewCommand, WarnsOnceAboutKeysOutsideTheLocalMachine)
{
    TemporaryFolder folder;
    const std::string file = folder.Write(
        "mixed.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n[HKEY_CURRENT_USER\\B]\n[HKEY_USERS\\C]\n[HKLM\\D]\n");
    const CommandResult result = RunCommand({file});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err,
              "qalm-preview: warning: skipped 3 keys outside HKEY_LOCAL_MACHINE (the first: "
              "HKEY_CURRENT_USER\\A at " +
                  file + ":2)\n");
}

// Only HKEY_LOCAL_MACHINE is read: a mistake under another root is counted, not fatal.
TEST(PreviewCommand, CountsMalformedLinesUnderSkippedRootsAndGoesOn)
{
    TemporaryFolder folder;
    const std::string file =
        folder.Write("classes.reg",
                     "REGEDIT4\n[HKEY_CLASSES_ROOT\\.txt]\n\"V\"=dword:0ffffffff\n[HKEY_CLASSES_ROOT\\\\x]\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VQR]\n\"Version\"=\"7\"\n");
    const CommandResult result = RunCommand({"--os", "vista", file});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(Contains(result.out, "classes.reg: 2 keys, 1 value"))
        << result.out;  // SOFTWARE, SOFTWARE\VQR and its value
    EXPECT_EQ(result.err,
              "qalm-preview: warning: skipped 2 keys outside HKEY_LOCAL_MACHINE (the first: "
              "HKEY_CLASSES_ROOT\\.txt at " +
                  file + ":2), with 2 malformed lines among them (the first: " + file +
                  ":3: a dword holds at most 8 hex digits, found 9)\n");
}

// Two exports joined and edited by hand, as regedit imports them: each line it
// cannot read is left out and named, everything around it read (white space
// after dword:, string bytes without their NUL, as regedit reads them too);
// --strict refuses the first.
TEST(PreviewCommand, LeavesOutTheLinesRegeditLeavesOutAndNamesThem)
{
    TemporaryFolder folder;
    const std::string file = folder.Write("joined.reg",
                                          "  REGEDIT4\n\n"
                                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n"
                                          "\"Before\"=\"1\"\n"
                                          "  \"Indented\"=dword:00000002\n"
                                          "\"Nine\"=dword:0ffffffff\n"              // 6
                                          "\xe2\x80\x9cQuoted\xe2\x80\x9d=\"x\"\n"  // 7
                                          "\"a\"=\"x\" \"b\"=\"y\"\n"               // 8
                                          "Windows Registry Editor Version 5.00\n"  // passed over
                                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\n"
                                          "\"Bin\"=hex:01,02,\\\n  03\n"
                                          "\"Broken\"=hex:01,\\\n"                   // 13, goes with 14
                                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Eaten]\n"  // 14, its continuation
                                          "\"Gone\"=\"1\"\n"                         // 15
                                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\C\n"       // 16
                                          "\"Gone\"=\"2\"\n"                         // 17
                                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\D]\n"
                                          "\"After\"=\"3\"\n"
                                          "\"Spaced\"=dword: 0000000a\n"
                                          "\"Path\"=hex(2):25,50,25\n"  // regedit ends it with a NUL
                                          "\"List\"=hex(7):41,00,42\n"
                                          "\"NoComma\"=hex:01,02\\\n"  // 23
                                          "\"Below\"=\"4\"\n"
                                          "\"Doubled\"=hex:01,\\\n"  // 25, goes with 26
                                          "\\\n"                     // 26, its continuation
                                          "\"Last\"=\"5\"\n");
    const std::string after = folder.PathOf("after.reg");

    const CommandResult result = RunCommand({"--os", "vista", "--json", "--after", after, file});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadFile(after),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"Before\"=\"1\"\n\"Indented\"=dword:00000002\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\n\"Bin\"=hex:01,02,03\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\D]\n\"After\"=\"3\"\n\"Below\"=\"4\"\n\"Last\"=\"5\"\n"
              "\"List\"=hex(7):41,00,42,00\n\"Path\"=hex(2):25,50,25,00\n\"Spaced\"=dword:0000000a\n\n");
    EXPECT_EQ(result.err, "qalm-preview: warning: left out 9 lines that regedit leaves out on import (the first 3: " +
                              file + ":6: a dword holds at most 8 hex digits, found 9; " + file +
                              ":7: expected a [KEY] line, a \"name\"=value line or a ; comment, found "
                              "\"\xe2\x80\x9cQuoted\xe2\x80\x9d=\"x\"\"; " +
                              file + ":8: expected the end of the line after the string, found \"\"b\"=\"y\"\")\n");
    EXPECT_TRUE(Contains(result.out, "\"leftOutLines\": {\"count\": 9, ")) << result.out;
    const std::vector<std::pair<int, std::string>> named = {{6, "a dword holds at most 8 hex digits"},
                                                            {7, "expected a [KEY] line"},
                                                            {8, "expected the end of the line after the string"},
                                                            {14, "expected a hex byte such as 0a"},
                                                            {15, "left out with the key of line 14\""},
                                                            {16, "expected ] at the end of the key line\""},
                                                            {17, "left out with the key of line 16\""},
                                                            {23, "expected , between hex bytes"},
                                                            {26, "expected a hex byte such as 0a"}};
    for (const auto& [line, problem] : named) {
        EXPECT_TRUE(Contains(result.out, "\"file\": \"" + file + "\", \"line\": " + std::to_string(line) +
                                             ", \"problem\": \"" + problem))
            << line;
    }
    EXPECT_TRUE(Contains(result.out, "; the value of line 13 is left out with it\"}")) << result.out;
    EXPECT_TRUE(Contains(result.out, "; the value of line 25 is left out with it\"}")) << result.out;

    const CommandResult strict = RunCommand({"--strict", file});
    EXPECT_EQ(strict.status, 2);
    EXPECT_EQ(strict.out, "");
    EXPECT_EQ(strict.err, "qalm-preview: " + file + ":6: a dword holds at most 8 hex digits, found 9\n");

    // Text holds no NUL: a file that does is something else, whatever the rule.
    const char withNul[] = "REGEDIT4\n[HKLM\\A]\n\"V\"=\"a\0b\"\n";
    const std::string binary = folder.Write("binary.reg", std::string(withNul, sizeof withNul - 1));
    EXPECT_EQ(RunCommand({binary}).err,
              "qalm-preview: " + binary + ":3: expected text, found a NUL character: this is not a text file\n");
}

TEST(PreviewCommand, RejectsAMalformedFileAndLeavesTheAfterFileAlone)
{
    TemporaryFolder folder;
    const std::string after = folder.Write("after.reg", "the previous result\n");
    const std::string good = folder.Write("good.reg", kNt4Machine);
    const std::string bad = folder.Write("bad.reg", "REGEDIT4\n[HKLM\\A]\n\"V\"=dword:xyz\n");

    const CommandResult result = RunCommand({"--strict", "--after", after, good, bad});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "qalm-preview: " + bad + ":3: expected up to 8 hex digits after dword:, found \"xyz\"\n");
    EXPECT_EQ(ReadFile(after), "the previous result\n");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"after.reg", "bad.reg", "good.reg"}));
}

TEST(PreviewCommand, FailsWithoutATraceWhenTheAfterFileCannotBeWritten)
{
    TemporaryFolder folder;
    const CommandResult result = RunCommand({"--after", folder.PathOf("missing/after.reg")});
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(Contains(result.err, "cannot write " + folder.PathOf("missing/after.reg"))) << result.err;
    EXPECT_TRUE(folder.Names().empty());
}

TEST(PreviewCommand, FailsWhenTheReportCannotBeWritten)
{
    std::ostream unwritable(nullptr);
    std::ostringstream err;
    EXPECT_EQ(RunPreviewCommand({}, unwritable, err), 2);
    EXPECT_EQ(err.str(), "qalm-preview: the report could not be written to standard output\n");
}

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
    const char* reason;
};

void PrintTo(const UsageCase& value, std::ostream* out) { *out << value.name; }

class PreviewCommandUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(PreviewCommandUsage, ExitsWithTwoAndTheReason)
{
    const CommandResult result = RunCommand(GetParam().arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contains(result.err, GetParam().reason)) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    BadCommandLines, PreviewCommandUsage,
    ::testing::Values(
        UsageCase{"UnknownOption", {"--verbose"}, "unknown option \"--verbose\""},
        UsageCase{"UnknownShortOption", {"-x"}, "unknown option \"-x\"\nusage: qalm-preview"},
        UsageCase{"OsWithoutProfile", {"--os"}, "--os needs an argument"},
        UsageCase{"EmptyAfterFile", {"--after="}, "--after needs a non-empty argument"},
        UsageCase{"UnknownProfile", {"--os", "win12"}, "unknown profile \"win12\"; expected one of win31, win95"},
        UsageCase{"MissingFile", {"/nonexistent/machine.reg"}, "cannot open /nonexistent/machine.reg"},
        UsageCase{"FileNameWithANewline", {"/nonexistent/a\nb.reg"}, "cannot open /nonexistent/a\\x0ab.reg"}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

TEST(PreviewCommand, TellsItsVersionAndItsExitStatuses)
{
    const CommandResult version = RunCommand({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("qalm-preview ", 0), 0u) << version.out;
    EXPECT_TRUE(Contains(RunCommand({"--help"}).out, "Exit status: 0 when the preview ran, 2 for bad input or usage"));
}

TEST(PreviewCommand, TakesArgumentsAfterDoubleDashAsFiles)
{
    const CommandResult result = RunCommand({"--", "--json"});
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(Contains(result.err, "cannot open --json")) << result.err;
}

TEST(Preview, SortsTheProgramsRequestsByWhomTheyAreFor)
{
    win32sim::Machine machine(*win32sim::FindPlatform("winxp"));
    LoadSampleMachine(machine.registry);
    const PreviewResult result = RunPreview(machine, {"sample"});
    ASSERT_EQ(result.deviceInstallerRequests.size(), 2u);
    EXPECT_EQ(result.deviceInstallerRequests[0].call, "SetupDiOpenDeviceInfoA");
    EXPECT_EQ(result.deviceInstallerRequests[1].call, "SetupDiCallClassInstaller");
    EXPECT_EQ(result.deviceInstallerRequests[1].removedKeys,
              (std::vector<std::string>{
                  R"(SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-E325-11CE-BFC1-08002BE10318}\0000)",
                  R"(SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01)"}));
    EXPECT_TRUE(result.serviceManagerRequests.empty());
    EXPECT_EQ(result.keysBefore, 63u);
    EXPECT_EQ(result.changes.RemovedKeyCount(), 18u);
}

}  // namespace
}  // namespace qalm::testing
