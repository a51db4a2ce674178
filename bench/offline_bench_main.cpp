// qalm-offline-bench generate HIVE [--keys N] [--values N]
//   writes the SOFTWARE part of the realistic machine, scaled to a SOFTWARE
//   hive of a used XP machine (default 20,000 keys and 80,000 values in all,
//   a 21 MB hive), with chntpw's reged, and beside it, as HIVE.removals, what
//   the preview removes from it on XP. reged takes minutes: its time grows
//   with the square of the hive.
// qalm-offline-bench measure HIVE [--runs N]
//   times, on a copy of the hive, the apply of that removal against a bare
//   libhivex open and commit, and the preview of the hive (qalm-offline
//   without --apply, in this process) against a bare libhivex walk through
//   every key and value; least of N runs (default 3) each, with the peak
//   memory of each; run it in a process of its own so that the peaks are its own.
#include <hivex.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"
#include "hive_apply.h"
#include "offline_command.h"
#include "peak_memory.h"
#include "preview_options.h"
#include "realistic_machine.h"
#include "run/preview.h"
#include "software_hive.h"

namespace qalm::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kSoftwarePrefix = "SOFTWARE\\";

struct Times {
    double processor = 1e300;
    double wall = 1e300;
};

// This process's and its children's: the apply writes each hive in a child.
double CpuSeconds()
{
    const auto seconds = [](int who) {
        rusage usage{};
        getrusage(who, &usage);
        const auto of = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
        return of(usage.ru_utime) + of(usage.ru_stime);
    };
    return seconds(RUSAGE_SELF) + seconds(RUSAGE_CHILDREN);
}

double Megabytes(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// Least of the runs: what a busy machine does not inflate.
template <typename Step>
void Time(Times& best, Step step)
{
    const double cpu = CpuSeconds();
    const Clock::time_point start = Clock::now();
    step();
    best.processor = std::min(best.processor, CpuSeconds() - cpu);
    best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
}

int Generate(const std::string& hivePath, size_t keys, size_t values)
{
    win32sim::Machine machine(ResolveProfile("winxp"));
    BuildRealisticMachine(machine.registry, keys, values);
    const Clock::time_point start = Clock::now();
    WriteSoftwareHive(machine.registry, hivePath);
    const double importTime = std::chrono::duration<double>(Clock::now() - start).count();

    const PreviewResult result = RunPreview(machine, {hivePath});
    offline::HiveChanges changes{hivePath, {}, {}};
    for (const KeySubtree& key : result.changes.removedKeys) {
        if (key.path.rfind(kSoftwarePrefix, 0) == 0)
            changes.removedKeys.push_back(key.path.substr(std::strlen(kSoftwarePrefix)));
    }
    for (const ValueChange& value : result.changes.removedValues) {
        if (value.keyPath.rfind(kSoftwarePrefix, 0) == 0)
            changes.removedValues.push_back({value.keyPath.substr(std::strlen(kSoftwarePrefix)), value.name});
    }
    WriteRemovals(changes, hivePath + ".removals");
    std::printf("%s: %.1f MB, written by reged -I in %.0f s; the removal: %zu keys, %zu values\n", hivePath.c_str(),
                Megabytes(std::filesystem::file_size(hivePath)), importTime, changes.removedKeys.size(),
                changes.removedValues.size());
    return 0;
}

void BareCommit(const std::string& hive, const std::string& target)
{
    hive_h* handle = hivex_open(hive.c_str(), HIVEX_OPEN_WRITE);
    if (!handle)
        throw std::runtime_error("libhivex cannot open " + hive + ": " + std::strerror(errno));
    const int committed = hivex_commit(handle, target.c_str(), 0);
    const int error = errno;
    hivex_close(handle);
    if (committed != 0)
        throw std::runtime_error("libhivex cannot commit to " + target + ": " + std::strerror(error));
}

// How a walk reads names: as libhivex's name calls give them (ending at a
// NUL), or whole, which libhivex tells only by decoding each name once more.
enum class Names { UpToANul, Whole };

// Every key's name and every value's name, type and data, as a reader needs them.
size_t WalkKey(hive_h* hive, hive_node_h node, Names names)
{
    size_t bytes = 0;
    std::free(hivex_node_name(hive, node));
    if (names == Names::Whole)
        bytes += hivex_node_name_len(hive, node);
    hive_value_h* values = hivex_node_values(hive, node);
    for (size_t i = 0; values && values[i]; ++i) {
        std::free(hivex_value_key(hive, values[i]));
        if (names == Names::Whole)
            bytes += hivex_value_key_len(hive, values[i]);
        hive_type type;
        size_t length = 0;
        std::free(hivex_value_value(hive, values[i], &type, &length));
        bytes += length;
    }
    std::free(values);
    hive_node_h* children = hivex_node_children(hive, node);
    for (size_t i = 0; children && children[i]; ++i)
        bytes += WalkKey(hive, children[i], names);
    std::free(children);
    return bytes;
}

void BareWalk(const std::string& path, Names names)
{
    hive_h* hive = hivex_open(path.c_str(), 0);
    if (!hive)
        throw std::runtime_error("libhivex cannot open " + path + ": " + std::strerror(errno));
    WalkKey(hive, hivex_root(hive), names);
    hivex_close(hive);
}

// qalm-offline HIVE as a user runs it, its report thrown away.
void Preview(const std::string& hive)
{
    std::ostringstream out, err;
    if (RunOfflineCommand({hive}, out, err) != 0)
        throw std::runtime_error("the preview of " + hive + " failed: " + err.str());
}

int Measure(const std::string& hivePath, int runs)
{
    const size_t hiveSize = std::filesystem::file_size(hivePath);
    const std::string folder =
        std::filesystem::path(hivePath).parent_path().string() + "/measure-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const std::string hive = folder + "/SOFTWARE";
    std::filesystem::copy_file(hivePath, hive);
    offline::HiveChanges changes = ReadRemovals(hivePath + ".removals", hive);

    // The applies first, so that the peaks are theirs, then the previews from a peak reset.
    Times bare, bareHere, walk, wholeWalk, apply, preview;
    for (int run = 0; run < runs; ++run) {
        std::vector<offline::AppliedHive> applied;
        Time(apply, [&] { applied = offline::ApplyHiveChanges({changes}); });
        // The undo a user would do: the backup renamed back.
        std::filesystem::rename(applied.at(0).backup, hive);
    }
    const size_t peak = PeakResidentBytes();
    const size_t childPeak = PeakChildResidentBytes();
    const bool previewPeakKnown = ResetPeakResidentBytes();
    for (int run = 0; run < runs; ++run)
        Time(preview, [&] { Preview(hive); });
    const size_t previewPeak = PeakResidentBytes();
    for (int run = 0; run < runs; ++run) {
        Time(walk, [&] { BareWalk(hive, Names::UpToANul); });
        Time(wholeWalk, [&] { BareWalk(hive, Names::Whole); });
        // As the apply commits: in a child process of its own, whose memory
        // is new. In this process the second commit on reuses the memory the
        // first one faulted in (malloc keeps freed blocks below 32 MB), which
        // no single commit of a hive does.
        Time(bare, [&] { offline::RunInChildProcess(hive, [&] { BareCommit(hive, folder + "/committed"); }); });
        std::filesystem::remove(folder + "/committed");
        Time(bareHere, [&] { BareCommit(hive, folder + "/committed"); });
        std::filesystem::remove(folder + "/committed");
    }
    std::filesystem::remove_all(folder);

    std::printf("hive     %s, %.1f MB; removal of %zu keys, %zu values\n", hivePath.c_str(), Megabytes(hiveSize),
                changes.removedKeys.size(), changes.removedValues.size());
    std::printf("commit   %6.3f s processor, %6.3f s wall  (bare libhivex open and commit to a new file, in a child)\n",
                bare.processor, bare.wall);
    std::printf("         %6.3f s processor, %6.3f s wall  in this process, its memory reused from the run before\n",
                bareHere.processor, bareHere.wall);
    std::printf("walk     %6.3f s processor, %6.3f s wall  (bare libhivex walk through every key and value)\n",
                walk.processor, walk.wall);
    std::printf("         %6.3f s processor, %6.3f s wall  reading every name whole, NULs and all\n",
                wholeWalk.processor, wholeWalk.wall);
    std::printf("apply    %6.3f s processor, %6.3f s wall  = %.2f x the commit's processor time\n", apply.processor,
                apply.wall, apply.processor / bare.processor);
    std::printf("peak     %.1f MB = %.2f x the hive; the writing child %.1f MB = %.2f x\n", Megabytes(peak),
                static_cast<double>(peak) / static_cast<double>(hiveSize), Megabytes(childPeak),
                static_cast<double>(childPeak) / static_cast<double>(hiveSize));
    std::printf(
        "preview  %6.3f s processor, %6.3f s wall  = %.2f x the walk's processor time, %.2f x the whole-name walk's\n",
        preview.processor, preview.wall, preview.processor / walk.processor, preview.processor / wholeWalk.processor);
    if (previewPeakKnown)
        std::printf("peak     %.1f MB = %.2f x the hive (the preview)\n", Megabytes(previewPeak),
                    static_cast<double>(previewPeak) / static_cast<double>(hiveSize));
    else
        std::printf("peak     of the preview unknown: the kernel cannot reset the count\n");
    std::printf("(least of %d runs each)\n", runs);
    return 0;
}

int Usage()
{
    std::cerr << "usage: qalm-offline-bench generate HIVE [--keys N] [--values N]\n"
                 "       qalm-offline-bench measure HIVE [--runs N]\n";
    return 2;
}

}  // namespace
}  // namespace qalm::bench

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() < 2)
        return qalm::bench::Usage();
    try {
        size_t keys = 20000;
        size_t values = 80000;
        int runs = 3;
        for (size_t i = 2; i < arguments.size(); ++i) {
            const bool hasNext = i + 1 < arguments.size();
            if (arguments[i] == "--keys" && hasNext)
                keys = std::stoul(arguments[++i]);
            else if (arguments[i] == "--values" && hasNext)
                values = std::stoul(arguments[++i]);
            else if (arguments[i] == "--runs" && hasNext)
                runs = std::stoi(arguments[++i]);
            else
                return qalm::bench::Usage();
        }
        if (arguments[0] == "generate")
            return qalm::bench::Generate(arguments[1], keys, values);
        if (arguments[0] == "measure")
            return qalm::bench::Measure(arguments[1], runs);
        return qalm::bench::Usage();
    } catch (const std::exception& error) {
        std::cerr << "qalm-offline-bench: " << error.what() << "\n";
        return 2;
    }
}
