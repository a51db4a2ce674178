// Damaged hives: truncated, zeroed and byte-flipped copies of an NT SYSTEM
// hive and of the ME SYSTEM.DAT, made the same way on every run, each read
// by qalm-offline in a process of its own (under the sanitizers in the asan
// preset). Each gives a clear error that names the file, or a report; never
// a crash, a sanitizer's report or a hang. A cut copy that still reads must
// read as the whole file does: the bytes it lacks cannot be read right.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>

#include "offline_test_support.h"

namespace qalm::testing {
namespace {

namespace fs = std::filesystem;

struct Damage {
    std::string name;
    std::string bytes;
    bool cut = false;
};

struct DamageCounts {
    size_t truncations;
    size_t zeroedRuns;
    size_t flips;
    size_t region;  // where the zeroing and flipping fall: the start of the file, where its structure lies
};

// mt19937's sequence is the same everywhere, where the standard's distributions are not.
std::vector<Damage> Damaged(const std::string& original, const DamageCounts& counts, uint32_t seed)
{
    std::mt19937 random(seed);
    const auto below = [&](size_t bound) { return static_cast<size_t>(random() % bound); };
    const size_t region = std::min(counts.region, original.size());
    std::vector<Damage> damaged;

    const size_t cuts[] = {0, 3, 4, 511, 512, 4095, 4096, 4097, 4128, original.size() - 1};
    for (size_t cut : cuts)
        damaged.push_back({"cut at " + std::to_string(cut), original.substr(0, cut), true});
    for (size_t i = 0; i < counts.truncations; ++i) {
        const size_t cut = 4096 + below(original.size() - 4096);
        damaged.push_back({"cut at " + std::to_string(cut), original.substr(0, cut), true});
    }
    for (size_t i = 0; i < counts.zeroedRuns; ++i) {
        const size_t at = below(region);
        const size_t length = std::min(1 + below(256), original.size() - at);
        std::string bytes = original;
        bytes.replace(at, length, length, '\0');
        damaged.push_back({"zeroed " + std::to_string(length) + " at " + std::to_string(at), bytes});
    }
    for (size_t i = 0; i < counts.flips; ++i) {
        const size_t at = below(region);
        const auto mask = static_cast<unsigned char>(i % 2 == 0 ? 0xFF : 1u << below(8));
        std::string bytes = original;
        bytes[at] = static_cast<char>(bytes[at] ^ mask);
        damaged.push_back({"flipped " + std::to_string(mask) + " at " + std::to_string(at), bytes});
    }
    return damaged;
}

struct Outcomes {
    size_t reports = 0;
    size_t errors = 0;
    std::vector<std::string> failures;
};

// qalm-offline reading paths, the machine after its run written to after.
ToolRun RunReading(const std::vector<std::string>& paths, const std::string& after)
{
    // Only a hang takes this long.
    std::vector<std::string> command = {"timeout", "300", QALM_OFFLINE_EXE, "--after", after};
    command.insert(command.end(), paths.begin(), paths.end());
    return RunTool(command);
}

// qalm-offline on paths, the damaged file at damagedPath; whole: what the
// undamaged file reads as.
void Judge(const Damage& damage, const std::vector<std::string>& paths, const std::string& damagedPath,
           const std::string& whole, Outcomes& outcomes)
{
    const std::string after = damagedPath + ".after.reg";
    std::remove(after.c_str());
    const ToolRun run = RunReading(paths, after);
    const std::string error = "qalm-offline: ";
    if (run.exitCode == 0 && run.output.find("\nExit code: 18\n") != std::string::npos) {
        ++outcomes.reports;
        if (damage.cut && ReadFile(after) != whole)
            outcomes.failures.push_back(damage.name + ": read, and not as the whole file reads");
    } else if (run.exitCode == 2 && run.output.compare(0, error.size(), error) == 0 &&
               run.output.find(damagedPath) != std::string::npos && run.output.find('\n') == run.output.size() - 1) {
        ++outcomes.errors;
    } else {
        outcomes.failures.push_back(damage.name + ": exit status " + std::to_string(run.exitCode) + ":\n" +
                                    run.output.substr(0, 2000));
    }
}

std::string Summary(const Outcomes& outcomes)
{
    std::string text;
    for (const std::string& failure : outcomes.failures)
        text += failure + "\n";
    return text;
}

TEST(BadHives, EachDamagedNtHiveGivesAnErrorNamingItOrAReport)
{
    TemporaryFolder folder;
    const NtInstallation windows =
        MakeNtInstallation(folder, WineFixture("nt5-modem-installed"), {"5.1", "2600", "Service Pack 3"});
    const std::string original = ReadFile(windows.systemHive);
    ASSERT_EQ(RunReading({windows.partition}, folder.PathOf("whole.reg")).exitCode, 0);
    const std::string whole = ReadFile(folder.PathOf("whole.reg"));

    Outcomes outcomes;
    for (const Damage& damage : Damaged(original, {20, 60, 200, 16384}, 20240601)) {
        std::ofstream(windows.systemHive, std::ios::binary | std::ios::trunc) << damage.bytes;
        Judge(damage, {windows.partition}, windows.systemHive, whole, outcomes);
    }
    EXPECT_TRUE(outcomes.failures.empty()) << Summary(outcomes);
    // Both kinds happen: the damage reaches what is read, and some of it passes unseen.
    EXPECT_GT(outcomes.errors, 0u);
    EXPECT_GT(outcomes.reports, 0u);
    RecordProperty("errors", static_cast<int>(outcomes.errors));
    RecordProperty("reports", static_cast<int>(outcomes.reports));
}

TEST(BadHives, EachDamaged9xRegistryGivesAnErrorNamingItOrAReport)
{
    TemporaryFolder folder;
    const std::string original = ReadFile(QALM_OFFLINE_TEST_DATA "/me/SYSTEM.DAT");
    const std::string systemDat = folder.PathOf("SYSTEM.DAT");
    ASSERT_EQ(RunReading({QALM_OFFLINE_TEST_DATA "/me/SYSTEM.DAT"}, folder.PathOf("whole.reg")).exitCode, 0);
    const std::string whole = ReadFile(folder.PathOf("whole.reg"));

    // Fewer: each whole read of this file takes a good part of a second. No
    // zeroed runs: where zeros make a key's subkey list loop, libcreg spends
    // half a minute (several under the sanitizers, whose allocator it keeps
    // busy) before it gives up with an error; the NT hive's cover zeroing.
    Outcomes outcomes;
    for (const Damage& damage : Damaged(original, {2, 0, 16, 65536}, 19990505)) {
        std::ofstream(systemDat, std::ios::binary | std::ios::trunc) << damage.bytes;
        Judge(damage, {systemDat}, systemDat, whole, outcomes);
    }
    EXPECT_TRUE(outcomes.failures.empty()) << Summary(outcomes);
    EXPECT_GT(outcomes.errors, 0u);
    EXPECT_GT(outcomes.reports, 0u);
}

}  // namespace
}  // namespace qalm::testing
