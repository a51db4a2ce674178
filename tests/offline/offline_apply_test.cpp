// qalm-offline --apply on one machine of each NT family: the hives, read back
// by chntpw's reged, hold exactly the preview's after-state of the same keys
// given as a .reg export; the other control set stays as it was unless
// --all-control-sets cleans it too; the originals stay as backups.
#include <gtest/gtest.h>

#include <filesystem>

#include "offline_test_support.h"
#include "preview_command.h"
#include "regfile/machine_loader.h"

namespace qalm::testing {
namespace {

namespace fs = std::filesystem;

constexpr char k64BitEnvironment[] =
    "\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]\n"
    "\"PROCESSOR_ARCHITECTURE\"=\"AMD64\"\n\n";

struct Family {
    const char* name;
    const char* fixture;
    NtVersion version;
    const char* profile;
    const char* moreKeys = "";  // added to the fixture's
};

void PrintTo(const Family& family, std::ostream* out) { *out << family.name; }

const Family kFamilies[] = {
    {"nt4", "nt4-modem-installed", {"4.0", "1381", "Service Pack 6"}, "nt40"},
    {"win2k", "nt5-second-variant-only", {"5.0", "2195", "Service Pack 4"}, "win2k"},
    {"winxp", "nt5-modem-installed", {"5.1", "2600", "Service Pack 3"}, "winxp"},
    // The program hands over to its 64-bit twin, whose removals are written too.
    {"winxp64", "nt5-modem-installed", {"5.2", "3790", "Service Pack 2"}, "winxp64", k64BitEnvironment},
};

// The keys of a .reg file whose path starts with from, renamed to start with
// to; the other keys dropped unless kept, the header kept.
std::string KeysRenamed(const std::string& exported, const std::string& from, const std::string& to,
                        bool keepOthers = false)
{
    std::istringstream in(exported);
    std::string text;
    std::getline(in, text);
    text += "\n\n";
    bool keep = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '[') {
            keep = line.compare(1, from.size(), from) == 0 &&
                   (line[from.size() + 1] == '\\' || line[from.size() + 1] == ']');
            if (keep)
                line = "[" + to + line.substr(from.size() + 1);
            keep = keep || keepOthers;
        }
        if (keep)
            text += line + "\n";
    }
    return text;
}

// The hives as reged reads them back, with the current control set as the stand-in names it.
win32sim::Registry ReadBack(const NtInstallation& windows)
{
    win32sim::Registry registry;
    LoadRegText(KeysRenamed(ExportHive(windows.systemHive, kSystemPrefix), "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001",
                            "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet", true),
                "SYSTEM", registry);
    LoadRegText(ExportHive(windows.softwareHive, kSoftwarePrefix), "SOFTWARE", registry);
    return registry;
}

// The machine qalm-preview leaves of the same keys given as a .reg export.
win32sim::Registry PreviewAfter(const TemporaryFolder& folder, const NtInstallation& windows, const Family& family)
{
    std::ostringstream out;
    std::ostringstream err;
    const std::string after = folder.PathOf("preview-after.reg");
    if (RunPreviewCommand({"--os", family.profile, "--after", after, windows.exportPath}, out, err) != 0)
        throw std::runtime_error("qalm-preview failed: " + err.str());
    return RegistryFrom(ReadFile(after));
}

struct Backups {
    std::string system;
    std::string software;
};

// The files the report names as backups, each byte for byte the hive it was.
::testing::AssertionResult BackupsAreTheOriginals(const std::string& report, const NtInstallation& windows,
                                                  const Backups& before)
{
    const std::string config = fs::path(windows.systemHive).parent_path().string();
    size_t backups = 0;
    for (const auto& entry : fs::directory_iterator(config)) {
        const std::string name = entry.path().filename().string();
        if (name == "SYSTEM" || name == "SOFTWARE")
            continue;
        const std::string& original = name.rfind("SYSTEM", 0) == 0 ? before.system : before.software;
        if (ReadFile(entry.path().string()) != original)
            return ::testing::AssertionFailure() << entry.path() << " is not the hive it backs up";
        if (report.find("backup: " + entry.path().string() + "\n") == std::string::npos)
            return ::testing::AssertionFailure() << "the report names no backup " << entry.path() << ":\n" << report;
        ++backups;
    }
    if (backups != 2)
        return ::testing::AssertionFailure() << backups << " files beside the hives, not the 2 backups";
    return ::testing::AssertionSuccess();
}

class OfflineApplyFamily : public ::testing::TestWithParam<Family> {};

TEST_P(OfflineApplyFamily, LeavesThePreviewsAfterStateAndTheOtherControlSetAsItWas)
{
    const Family& family = GetParam();
    TemporaryFolder folder;
    const NtInstallation windows =
        MakeNtInstallation(folder, WineFixture(family.fixture) + family.moreKeys, family.version);
    const Backups before{ReadFile(windows.systemHive), ReadFile(windows.softwareHive)};
    const std::string otherSetBefore =
        KeysRenamed(ExportHive(windows.systemHive, kSystemPrefix), "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002",
                    "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002");

    const OfflineRun run = RunOffline({"--apply", windows.partition});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");

    EXPECT_EQ(ReadBack(windows).Dump(), PreviewAfter(folder, windows, family).Dump());
    EXPECT_EQ(KeysRenamed(ExportHive(windows.systemHive, kSystemPrefix), "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002",
                          "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002"),
              otherSetBefore);
    EXPECT_TRUE(BackupsAreTheOriginals(run.out, windows, before));
    EXPECT_NE(run.out.find("To undo, with that Windows not running, rename each backup back over its hive:\n  mv -- '"),
              std::string::npos)
        << run.out;
}

INSTANTIATE_TEST_SUITE_P(NtFamilies, OfflineApplyFamily, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<Family>& info) { return std::string(info.param.name); });

TEST(OfflineApply, AllControlSetsCleansTheLastKnownGoodSetAsIfItWereCurrent)
{
    const Family& xp = kFamilies[2];
    TemporaryFolder folder;
    const NtInstallation windows = MakeNtInstallation(folder, WineFixture(xp.fixture), xp.version);

    const OfflineRun run = RunOffline({"--apply", "--all-control-sets", windows.partition});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\n=== ControlSet001 (Current, Default) as CurrentControlSet ===\n"), std::string::npos);
    EXPECT_NE(run.out.find("\n=== ControlSet002 (LastKnownGood) as CurrentControlSet: what the program removes were it "
                           "current, after the runs above ===\n"),
              std::string::npos)
        << run.out;

    // Both sets held the same keys: each is now what the preview leaves of the current one.
    PreviewAfter(folder, windows, xp);
    const std::string system = ExportHive(windows.systemHive, kSystemPrefix);
    for (const char* set : {"ControlSet001", "ControlSet002"}) {
        win32sim::Registry readBack;
        LoadRegText(KeysRenamed(system, std::string("HKEY_LOCAL_MACHINE\\SYSTEM\\") + set,
                                "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet"),
                    set, readBack);
        win32sim::Registry expectedSet;
        LoadRegText(
            KeysRenamed(ReadFile(folder.PathOf("preview-after.reg")), "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet",
                        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet"),
            "preview", expectedSet);
        EXPECT_EQ(readBack.Dump(), expectedSet.Dump()) << set;
    }
}

}  // namespace
}  // namespace qalm::testing
