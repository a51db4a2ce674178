// The preview of an installation read from its hives: the same run, report
// and after-state as the preview of a .reg export of the same keys, for one
// machine of each NT family, with the version the hives record.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "hives/nt_hive.h"
#include "offline_test_support.h"
#include "preview_command.h"
#include "support/hive_fixture.h"

namespace qalm::testing {
namespace {

struct Family {
    const char* name;
    const char* fixture;
    NtVersion version;
    const char* profile;
    const char* platformLine;   // what the report says the version is
    bool touchesHardware;       // the serial-port map, which lies in no hive
    const char* moreKeys = "";  // added to the fixture's
};

const Family kFamilies[] = {
    {"nt4",
     "nt4-modem-installed",
     {"4.0", "1381", "Service Pack 6"},
     "nt40",
     "Platform: nt40 (Windows NT 4.0, build 1381) -> MODE_NT4",
     true},
    {"win2k",
     "nt5-second-variant-only",
     {"5.0", "2195", "Service Pack 4"},
     "win2k",
     "Platform: win2k (Windows NT 5.0, build 2195) -> MODE_NT5",
     false},
    {"winxp",
     "nt5-modem-installed",
     {"5.1", "2600", "Service Pack 3"},
     "winxp",
     "Platform: winxp (Windows NT 5.1, build 2600) -> MODE_NT5",
     false},
};

void PrintTo(const Family& family, std::ostream* out) { *out << family.name; }

class OfflinePreview : public ::testing::TestWithParam<Family> {};

// The preview's own report, less the line naming the files read.
std::string PreviewPart(const std::string& report)
{
    std::string part = LinesBetween(report, "Platform:", "Exit code:");
    const size_t machine = part.find("\nMachine:");
    return machine == std::string::npos ? part : part.erase(machine + 1, part.find('\n', machine + 1) - machine);
}

TEST_P(OfflinePreview, EqualsThePreviewOfTheSameExportWithTheVersionTheHivesRecord)
{
    const Family& family = GetParam();
    TemporaryFolder folder;
    const NtInstallation windows =
        MakeNtInstallation(folder, WineFixture(family.fixture) + family.moreKeys, family.version);

    const OfflineRun offline = RunOffline({"--after", folder.PathOf("offline-after.reg"), windows.partition});
    ASSERT_EQ(offline.exitCode, 0) << offline.err;
    std::ostringstream previewOut;
    std::ostringstream previewErr;
    ASSERT_EQ(
        RunPreviewCommand({"--os", family.profile, "--after", folder.PathOf("preview-after.reg"), windows.exportPath},
                          previewOut, previewErr),
        0)
        << previewErr.str();

    ASSERT_NE(PreviewPart(previewOut.str()).find("Removed from HKEY_LOCAL_MACHINE: "), std::string::npos);
    EXPECT_EQ(PreviewPart(offline.out), PreviewPart(previewOut.str()));
    EXPECT_NE(offline.out.find(family.platformLine), std::string::npos) << offline.out;
    EXPECT_NE(offline.out.find("Version:     " + family.version.currentVersion + ", build " +
                               family.version.buildNumber + ", " + family.version.servicePack),
              std::string::npos)
        << offline.out;
    EXPECT_NE(offline.out.find("Hives:       " + windows.systemHive + " (HKLM\\SYSTEM), " + windows.softwareHive +
                               " (HKLM\\SOFTWARE)"),
              std::string::npos)
        << offline.out;
    EXPECT_NE(offline.out.find("Control set: ControlSet001 as CurrentControlSet"), std::string::npos);
    EXPECT_EQ(ReadFile(folder.PathOf("offline-after.reg")), ReadFile(folder.PathOf("preview-after.reg")));

    EXPECT_EQ(offline.out.find("lies in no hive (Windows builds it at every start): the run asked for "
                               "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM, to remove its value \"QalmPort1\"") !=
                  std::string::npos,
              family.touchesHardware)
        << offline.out;
}

INSTANTIATE_TEST_SUITE_P(NtFamilies, OfflinePreview, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) { return std::string(info.param.name); });

// libhivex's names end at a NUL; the reader takes each whole, so keys and
// values whose names differ only after one are all there, named in full.
TEST(OfflineHiveReader, ReadsNamesHoldingANulWhole)
{
    TemporaryFolder folder;
    const std::string path = folder.PathOf("SOFTWARE");
    MakeHive(
        path, kSoftwarePrefix,
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\KeyZone]\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\KeyZtwo]\n\"ValZone\"=dword:00000001\n\"ValZtwo\"=dword:00000002\n\n");
    for (const char* name : {"KeyZone", "KeyZtwo", "ValZone", "ValZtwo"})
        PutNulInName(path, name, 3);

    win32sim::Registry registry;
    NtHive(path, "HKLM\\SOFTWARE").LoadInto(registry, "SOFTWARE");
    const win32sim::RegKey* vendor = registry.Find("SOFTWARE\\Vendor");
    ASSERT_NE(vendor, nullptr);
    std::vector<std::string> keys;
    for (const win32sim::RegKey& key : vendor->Subkeys())
        keys.emplace_back(key.Name());
    const std::string one("Key\0one", 7), two("Key\0two", 7);
    EXPECT_EQ(keys, (std::vector<std::string>{one, two}));
    const win32sim::RegKey* withValues = vendor->FindSubkey(two);
    ASSERT_NE(withValues, nullptr);
    std::vector<std::string> values;
    for (const win32sim::RegValue& value : withValues->Values())
        values.emplace_back(value.Name());
    EXPECT_EQ(values, (std::vector<std::string>{std::string("Val\0one", 7), std::string("Val\0two", 7)}));
}

}  // namespace
}  // namespace qalm::testing
