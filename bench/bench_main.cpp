// qalm-preview-bench generate FILE [--unicode] [--keys N] [--values N]
//   writes a realistic export (default 250,000 keys and 1,000,000 values)
// qalm-preview-bench generate FILE --shape wide|subkeys|values [--count N]
//   writes, in random order, a machine with N (default 81,000) PCI devices,
//   services and COM classes side by side; one key with N (default 200,000)
//   subkeys; or one key with N (default 100,000) values
// qalm-preview-bench measure FILE [--os PROFILE]
//   times the preview's stages on it and reports the peak memory; run it in a
//   process of its own so that the peak is the preview's alone.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "peak_memory.h"
#include "preview_options.h"
#include "realistic_machine.h"
#include "regfile/machine_loader.h"
#include "regfile/reg_writer.h"
#include "report/text_report.h"
#include "run/preview.h"
#include "shuffled_export.h"
#include "wide_machines.h"

namespace qalm::bench {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// User and system time of this process so far: what a busy machine does not inflate.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Megabytes(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

void PrintGenerated(const std::string& path, const win32sim::Registry& registry, const char* form)
{
    std::printf("%s: %zu keys, %zu values, %.1f MB (%s)\n", path.c_str(), registry.KeyCount(), registry.ValueCount(),
                Megabytes(std::filesystem::file_size(path)), form);
}

int Generate(const std::string& path, bool unicode, size_t keys, size_t values)
{
    win32sim::Registry registry;
    BuildRealisticMachine(registry, keys, values);
    WriteFileAtomically(path, [&](std::ostream& out) {
        WriteRegFile(registry, out, unicode ? RegFileFormat::Unicode : RegFileFormat::Regedit4);
    });
    PrintGenerated(path, registry, unicode ? "UTF-16LE" : "REGEDIT4");
    return 0;
}

int GenerateShuffled(const std::string& path, const std::string& shape, size_t count)
{
    win32sim::Registry registry;
    if (shape == "wide")
        BuildWideMachine(registry, count ? count : 81000);
    else if (shape == "subkeys")
        BuildManySubkeysMachine(registry, count ? count : 200000);
    else if (shape == "values")
        BuildManyValuesMachine(registry, count ? count : 100000);
    else
        throw std::invalid_argument("unknown shape " + shape + " (wide, subkeys or values)");
    WriteFileAtomically(path, [&](std::ostream& out) { WriteShuffledExport(registry, out); });
    PrintGenerated(path, registry, "REGEDIT4, shuffled");
    return 0;
}

int Measure(const std::string& path, const std::string& profile)
{
    const size_t fileSize = std::filesystem::file_size(path);
    win32sim::Machine machine(ResolveProfile(profile));

    const double cpuBefore = CpuSeconds();
    Clock::time_point start = Clock::now();
    LoadRegFiles({path}, machine.registry);
    const double load = SecondsSince(start);

    start = Clock::now();
    const PreviewResult result = RunPreview(machine, {path});
    const double run = SecondsSince(start);

    start = Clock::now();
    std::ostringstream report;
    WriteTextReport(result, report);
    const double reportTime = SecondsSince(start);

    const std::string afterPath = path + ".after.reg";
    start = Clock::now();
    WriteFileAtomically(afterPath, [&](std::ostream& out) { WriteRegFileExactly(machine.registry, out); });
    const double after = SecondsSince(start);
    const double cpu = CpuSeconds() - cpuBefore;
    const size_t afterSize = std::filesystem::file_size(afterPath);
    std::filesystem::remove(afterPath);

    const size_t peak = PeakResidentBytes();
    std::printf("file     %s, %.1f MB, %zu keys, %zu values\n", path.c_str(), Megabytes(fileSize), result.keysBefore,
                result.valuesBefore);
    std::printf("removed  %zu keys, %zu values on %s\n", result.changes.RemovedKeyCount(),
                result.changes.RemovedValueCount(), profile.c_str());
    std::printf("load     %6.3f s\n", load);
    std::printf("run      %6.3f s  (WinMain and the changes from its record)\n", run);
    std::printf("report   %6.3f s\n", reportTime);
    std::printf("--after  %6.3f s  (%.1f MB)\n", after, Megabytes(afterSize));
    std::printf("total    %6.3f s  (%.3f s of processor time)\n", load + run + reportTime + after, cpu);
    std::printf("peak     %.1f MB = %.2f x the file\n", Megabytes(peak),
                static_cast<double>(peak) / static_cast<double>(fileSize));
    return 0;
}

int Usage()
{
    std::cerr << "usage: qalm-preview-bench generate FILE [--unicode] [--keys N] [--values N]\n"
                 "       qalm-preview-bench generate FILE --shape wide|subkeys|values [--count N]\n"
                 "       qalm-preview-bench measure FILE [--os PROFILE]\n";
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
        bool unicode = false;
        size_t keys = 250000;
        size_t values = 1000000;
        std::string profile = "winxp";
        std::string shape;
        size_t count = 0;
        for (size_t i = 2; i < arguments.size(); ++i) {
            const bool hasNext = i + 1 < arguments.size();
            if (arguments[i] == "--unicode")
                unicode = true;
            else if (arguments[i] == "--keys" && hasNext)
                keys = std::stoul(arguments[++i]);
            else if (arguments[i] == "--values" && hasNext)
                values = std::stoul(arguments[++i]);
            else if (arguments[i] == "--shape" && hasNext)
                shape = arguments[++i];
            else if (arguments[i] == "--count" && hasNext)
                count = std::stoul(arguments[++i]);
            else if (arguments[i] == "--os" && hasNext)
                profile = arguments[++i];
            else
                return qalm::bench::Usage();
        }
        if (arguments[0] == "generate" && !shape.empty())
            return qalm::bench::GenerateShuffled(arguments[1], shape, count);
        if (arguments[0] == "generate")
            return qalm::bench::Generate(arguments[1], unicode, keys, values);
        if (arguments[0] == "measure")
            return qalm::bench::Measure(arguments[1], profile);
        return qalm::bench::Usage();
    } catch (const std::exception& error) {
        std::cerr << "qalm-preview-bench: " << error.what() << "\n";
        return 2;
    }
}
