// What qalm-offline takes as its input, and what it refuses with nothing
// written: each refusal names the file and, where it can, the key.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "offline_command.h"
#include "offline_test_support.h"

namespace qalm::testing {
namespace {

namespace fs = std::filesystem;

const NtVersion kXp = {"5.1", "2600", "Service Pack 3"};

std::string Version5(const std::string& keys) { return "Windows Registry Editor Version 5.00\r\n\r\n" + keys; }

TEST(OfflineInput, FindsTheHivesOfAWindowsFolderInAnyLetterCase)
{
    TemporaryFolder folder;
    const NtInstallation made = MakeNtInstallation(folder, WineFixture("nt5-modem-installed"), kXp);
    const std::string config = folder.PathOf("partition/Winnt/System32/CONFIG");
    fs::create_directories(config);
    fs::rename(made.systemHive, config + "/system");
    fs::rename(made.softwareHive, config + "/Software");
    fs::remove_all(folder.PathOf("partition/WINDOWS"));

    for (const std::string& path : {folder.PathOf("partition"), folder.PathOf("partition/Winnt")}) {
        const OfflineRun run = RunOffline({path});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("Hives:       " + config + "/system (HKLM\\SYSTEM), " + config +
                               "/Software (HKLM\\SOFTWARE)\n"),
                  std::string::npos)
            << run.out;
    }
    const OfflineRun files = RunOffline({config + "/Software", config + "/system"});
    ASSERT_EQ(files.exitCode, 0) << files.err;
    EXPECT_NE(
        files.out.find("Hives:       " + config + "/Software (HKLM\\SOFTWARE), " + config + "/system (HKLM\\SYSTEM)\n"),
        std::string::npos)
        << files.out;
}

struct Refusal {
    const char* name;
    const char* systemKeys;    // the SYSTEM hive's keys; nullptr: the file is not a hive
    const char* softwareKeys;  // the SOFTWARE hive's keys
    const char* namedHive;     // the file the message names first
    const char* message;       // after "qalm-offline: " and that file
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

constexpr char kSoftware[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n\"CurrentVersion\"=\"5.1\"\r\n\r\n";
constexpr char kService[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\QalmPort]\r\n\"Type\"=dword:1\r\n\r\n";

const Refusal kRefusals[] = {
    {"NoSelectKey", kService, kSoftware, "SYSTEM",
     ": key HKLM\\SYSTEM\\Select: there is no such key or no value \"Current\" in it, so which control set is current "
     "cannot be told"},
    {"SelectNamesAnAbsentSet", "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n\"Current\"=dword:00000003\r\n\r\n", kSoftware,
     "SYSTEM",
     ": key HKLM\\SYSTEM\\ControlSet003: SYSTEM\\Select \"Current\" names this control set, and the hive does not "
     "hold it"},
    {"NotAHive", nullptr, kSoftware, "SYSTEM", " is not a registry hive: it does not start with \"regf\""},
    {"NoVersion",
     "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n\"Current\"=dword:00000001\r\n\r\n"
     "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001]\r\n\r\n",
     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n\"CurrentBuildNumber\"=\"2600\"\r\n\r\n",
     "SOFTWARE",
     ": the Windows version is not recorded: the value \"CurrentVersion\" of SOFTWARE\\Microsoft\\Windows "
     "NT\\CurrentVersion is missing or not a string; give the version with --os PROFILE"},
};

class OfflineRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(OfflineRefusal, NamesTheFileAndTheKeyAndWritesNothing)
{
    const Refusal& refusal = GetParam();
    TemporaryFolder folder;
    const std::string system = folder.PathOf("SYSTEM");
    const std::string software = folder.PathOf("SOFTWARE");
    if (refusal.systemKeys)
        MakeHive(system, kSystemPrefix, Version5(refusal.systemKeys));
    else
        folder.Write("SYSTEM", "REGEDIT4\r\n");
    MakeHive(software, kSoftwarePrefix, Version5(refusal.softwareKeys));
    const std::string systemBefore = ReadFile(system);
    const std::string softwareBefore = ReadFile(software);

    const OfflineRun run = RunOffline({"--apply", system, software});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "qalm-offline: " + folder.PathOf(refusal.namedHive) + refusal.message + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(system), systemBefore);
    EXPECT_EQ(ReadFile(software), softwareBefore);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"SOFTWARE", "SYSTEM"}));
}

INSTANTIATE_TEST_SUITE_P(Hives, OfflineRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST(OfflineInput, TheVersionGivenStandsInForTheOneTheHivesRecord)
{
    TemporaryFolder folder;
    const NtInstallation windows = MakeNtInstallation(folder, WineFixture("nt5-modem-installed"), kXp);
    const OfflineRun run = RunOffline({"--os", "nt40", windows.partition});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(
        run.out.find("Version:     given with --os nt40\n\nPlatform: nt40 (Windows NT 4.0, build 1381) -> MODE_NT4\n"),
        std::string::npos)
        << run.out;
}

TEST(OfflineInput, ADirtyHiveIsPreviewedWithAWarningAndNotWritten)
{
    TemporaryFolder folder;
    const NtInstallation windows = MakeNtInstallation(folder, WineFixture("nt5-modem-installed"), kXp);
    constexpr size_t kPrimarySequence = 4;
    SetBaseBlockDword(windows.systemHive, kPrimarySequence, BaseBlockDword(windows.systemHive, kPrimarySequence) + 1);
    const std::string before = ReadFile(windows.systemHive);

    const OfflineRun preview = RunOffline({windows.partition});
    ASSERT_EQ(preview.exitCode, 0) << preview.err;
    EXPECT_NE(preview.out.find("\nWarning:     the preview reads this hive as it stands, and --apply refuses it: " +
                               windows.systemHive + " is not clean: its two sequence numbers differ"),
              std::string::npos)
        << preview.out;

    const OfflineRun apply = RunOffline({"--apply", windows.partition});
    EXPECT_EQ(apply.exitCode, 2);
    EXPECT_EQ(apply.err.rfind("qalm-offline: " + windows.systemHive + " is not clean", 0), 0u) << apply.err;
    EXPECT_NE(apply.err.find(". Nothing was written.\n"), std::string::npos) << apply.err;
    EXPECT_EQ(ReadFile(windows.systemHive), before);
    std::vector<std::string> config;
    for (const auto& entry : fs::directory_iterator(fs::path(windows.systemHive).parent_path()))
        config.push_back(entry.path().filename().string());
    std::sort(config.begin(), config.end());
    EXPECT_EQ(config, (std::vector<std::string>{"SOFTWARE", "SYSTEM"}));
}

TEST(OfflineInput, AnAfterFileThatCannotBeWrittenRefusesTheApply)
{
    TemporaryFolder folder;
    const NtInstallation windows = MakeNtInstallation(folder, WineFixture("nt5-modem-installed"), kXp);
    const std::string before = ReadFile(windows.systemHive);
    const std::string after = folder.PathOf("no-such-folder/after.reg");

    const OfflineRun apply = RunOffline({"--apply", "--after", after, windows.partition});
    EXPECT_EQ(apply.exitCode, 2);
    EXPECT_EQ(apply.err.rfind("qalm-offline: cannot write " + after, 0), 0u) << apply.err;
    EXPECT_EQ(ReadFile(windows.systemHive), before);
    EXPECT_FALSE(fs::exists(windows.systemHive + ".qalm-backup"));
}

// The report lost (a full disk, a closed pipe) must not read as a refusal:
// the hives are written, and the message names their backups.
TEST(OfflineInput, AReportLostAfterTheApplySaysWhereTheBackupsAre)
{
    TemporaryFolder folder;
    const NtInstallation windows = MakeNtInstallation(folder, WineFixture("nt5-modem-installed"), kXp);
    const std::string before = ReadFile(windows.systemHive);

    std::ostream unwritable(nullptr);
    std::ostringstream err;
    EXPECT_EQ(RunOfflineCommand({"--apply", windows.partition}, unwritable, err), 2);
    EXPECT_EQ(err.str().rfind("qalm-offline: the report could not be written to standard output; the hives were "
                              "written all the same: " +
                                  windows.systemHive + " (its original kept as " + windows.systemHive + ".qalm-backup)",
                              0),
              0u)
        << err.str();
    EXPECT_NE(ReadFile(windows.systemHive), before);
    EXPECT_EQ(ReadFile(windows.systemHive + ".qalm-backup"), before);
}

// A hive copied off a failing disk is shorter than its base block says;
// libhivex answers that with a bare errno, so the message says it.
TEST(OfflineInput, AHiveCutShortIsToldAsSuch)
{
    TemporaryFolder folder;
    const NtInstallation windows = MakeNtInstallation(folder, WineFixture("nt5-modem-installed"), kXp);
    const std::string whole = ReadFile(windows.softwareHive);
    const size_t cut = whole.size() / 2;
    std::ofstream(windows.softwareHive, std::ios::binary | std::ios::trunc) << whole.substr(0, cut);

    const OfflineRun run = RunOffline({windows.partition});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.rfind("qalm-offline: " + windows.softwareHive + ": ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("; the file is cut short: it holds " + std::to_string(cut) +
                           " bytes, where its base block declares " + std::to_string(whole.size()) + "\n"),
              std::string::npos)
        << run.err;
}

TEST(OfflineInput, RefusesToApplyToA9xRegistryAndPreviewsIt)
{
    TemporaryFolder folder;
    fs::create_directories(folder.PathOf("c/WINDOWS"));
    const std::string systemDat = folder.PathOf("c/WINDOWS/SYSTEM.DAT");
    fs::copy_file(QALM_OFFLINE_TEST_DATA "/me/SYSTEM.DAT", systemDat);

    const OfflineRun apply = RunOffline({"--apply", folder.PathOf("c")});
    EXPECT_EQ(apply.exitCode, 2);
    EXPECT_EQ(apply.err, "qalm-offline: " + systemDat +
                             " is a 9x registry file, which --apply does not write (no library writes that format); "
                             "without --apply the preview shows what a run on it removes. Nothing was written.\n");
    EXPECT_EQ(ReadFile(systemDat), ReadFile(QALM_OFFLINE_TEST_DATA "/me/SYSTEM.DAT"));

    const OfflineRun preview = RunOffline({folder.PathOf("c")});
    ASSERT_EQ(preview.exitCode, 0) << preview.err;
    EXPECT_NE(preview.out.find("Hives:       " + systemDat + " (HKLM)\n"), std::string::npos) << preview.out;
    EXPECT_NE(preview.out.find("Version:     4.90.3000 (SOFTWARE\\Microsoft\\Windows\\CurrentVersion) -> winme\n"),
              std::string::npos)
        << preview.out;
    EXPECT_NE(preview.out.find("Platform: winme (Windows 9x 4.90, build 3000) -> MODE_9X\n"), std::string::npos);
}

}  // namespace
}  // namespace qalm::testing
