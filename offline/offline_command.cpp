#include "offline_command.h"

#include <filesystem>

#include "apply/hive_apply.h"
#include "apply/hive_files.h"
#include "apply/hive_header.h"
#include "changes/hive_removals.h"
#include "detect/windows_version.h"
#include "hives/offline_hives.h"
#include "offline_error.h"
#include "offline_options.h"
#include "preview_error.h"
#include "preview_options.h"
#include "regfile/printable.h"
#include "report/offline_report.h"
#include "run/offline_run.h"
#include "tool_command.h"
#include "win32sim/platform.h"

namespace qalm {
namespace {

void WriteHelp(std::ostream& out)
{
    out << OfflineUsage() << "\n\n"
        << "Shows what qalm-uninstall would remove from a Windows installation that is not\n"
        << "running, read from its hive files; with --apply, removes it from them.\n\n"
        << "  PATH           a mounted Windows partition, its Windows folder (WINDOWS or\n"
        << "                 WINNT), or the hive files SYSTEM, SOFTWARE or the 9x SYSTEM.DAT\n"
        << "  --os PROFILE   the Windows version to run as, instead of the one the hives\n"
        << "                 record:\n                ";
    for (const win32sim::Platform& platform : win32sim::KnownPlatforms())
        out << " " << platform.name;
    out << "\n"
        << "  --apply        write the removals into the NT hives: each hive is written\n"
        << "                 anew, checked, and put in place, its original kept as a backup\n"
        << "  --all-control-sets\n"
        << "                 also each other ControlSetNNN, as if it were current\n"
        << "  --after FILE   also write the machine after the run as a .reg file\n"
        << "  --json         the report as one JSON document\n"
        << "  --help         this text; --version: the version\n\n"
        << "Exit status: " << kExitRan << " when it ran (and with --apply, wrote the hives), " << kExitBadInput
        << " for bad input\nor usage, or a refusal with nothing written (the reason on standard error).\n";
}

// An --after file in place of a hive would lose the hive.
void CheckAfterPath(const std::string& afterPath, const HiveFiles& files)
{
    for (const HiveFile& file : files.files) {
        std::error_code ignored;
        if (std::filesystem::equivalent(afterPath, file.path, ignored))
            throw UsageError("--after " + Printable(afterPath) + " names the hive " + Printable(file.path));
    }
}

DetectedVersion DetectVersion(const HiveFiles& files, const win32sim::Registry& registry)
{
    const HiveFile* recording = files.Find(files.family == WindowsFamily::Nt ? HiveKind::Software : HiveKind::System9x);
    if (!recording)
        throw OfflineError(
            "the Windows version is recorded in the SOFTWARE hive, and none was given: give it, or "
            "the version with --os PROFILE");
    try {
        return DetectWindowsVersion(registry, files.family);
    } catch (const VersionNotRecorded& error) {
        throw OfflineError(Printable(recording->path) + ": " + error.what() + "; give the version with --os PROFILE");
    }
}

// The preview reads such a hive as it stands; --apply refuses it.
std::vector<std::string> HivesNotClean(const HiveFiles& files)
{
    std::vector<std::string> warnings;
    if (files.family != WindowsFamily::Nt)
        return warnings;
    for (const HiveFile& file : files.files) {
        try {
            offline::CheckHiveIsClean(file.path);
        } catch (const offline::ApplyError& error) {
            warnings.push_back(std::string("the preview reads this hive as it stands, and --apply refuses it: ") +
                               error.what());
        }
    }
    return warnings;
}

// A file an earlier apply left when it was stopped: the user may wonder what it is.
std::vector<std::string> LeftOverFileWarnings(const HiveFiles& files)
{
    std::vector<std::string> warnings;
    if (files.family != WindowsFamily::Nt)
        return warnings;
    for (const HiveFile& file : files.files) {
        for (const std::string& left : offline::LeftOverFiles(file.path))
            warnings.push_back(Printable(left) + " was left by an apply that was stopped before its end; " +
                               Printable(file.path) +
                               " is whole, and that file can be deleted once no qalm-offline runs on its folder");
    }
    return warnings;
}

std::vector<std::string> Warnings(const HiveFiles& files)
{
    std::vector<std::string> warnings = HivesNotClean(files);
    for (std::string& left : LeftOverFileWarnings(files))
        warnings.push_back(std::move(left));
    return warnings;
}

std::vector<offline::AppliedHive> Apply(const std::vector<offline::HiveChanges>& changes)
{
    if (changes.empty())
        return {};
    try {
        return offline::ApplyHiveChanges(changes);
    } catch (const offline::ApplyError& error) {
        throw OfflineError(error.what());  // it says whether anything was written
    }
}

struct HivesPreviewed {
    HiveFiles files;
    std::optional<ControlSets> sets;
    std::optional<DetectedVersion> detected;  // nullopt: given with --os
    OfflineRun run;
};

// The hives stay open only while the runs load them: the check after an
// apply opens each hive again, and should not find it held twice already.
HivesPreviewed PreviewHives(HiveFiles files, const std::optional<win32sim::Platform>& given, bool allControlSets)
{
    const OfflineHives hives(std::move(files));
    win32sim::Registry loaded = hives.Load(hives.CurrentSet());
    std::optional<DetectedVersion> detected;
    if (!given)
        detected = DetectVersion(hives.Files(), loaded);
    const win32sim::Platform platform = given ? *given : detected->platform;
    OfflineRun run = RunOffline(hives, std::move(loaded), platform, allControlSets);
    return {hives.Files(), hives.Sets(), std::move(detected), std::move(run)};
}

// Once the hives are written, a failure must not read as a refusal: it says they were.
template <typename Step>
void AfterHivesWritten(const std::vector<offline::AppliedHive>& written, Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        if (written.empty())
            throw;
        // The report may be what was lost: the backups are named here.
        std::string message = std::string(error.what()) + "; the hives were written all the same:";
        for (const offline::AppliedHive& hive : written)
            message += " " + Printable(hive.file) + " (its original kept as " + Printable(hive.backup) + ")";
        throw OfflineError(message);
    }
}

void WriteReport(const OfflineOptions& options, const OfflineReport& report, std::ostream& out)
{
    if (options.json)
        WriteOfflineJsonReport(report, out);
    else
        WriteOfflineTextReport(report, out);
    CheckReportWritten(out);
}

const Tool kOffline{"qalm-offline", OfflineUsage, WriteHelp};

}  // namespace

int RunOfflineCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    return RunTool(kOffline, out, err, [&] {
        const OfflineOptions options = ParseOfflineOptions(arguments);
        if (AnswerHelpOrVersion(kOffline, options, out))
            return;

        HiveFiles files = FindHiveFiles(options.operands);
        if (options.apply && files.family == WindowsFamily::Windows9x)
            throw OfflineError(Printable(files.files.front().path) +
                               " is a 9x registry file, which --apply does not write (no library writes that "
                               "format); without --apply the preview shows what a run on it removes. Nothing was "
                               "written.");
        if (options.allControlSets && !files.Find(HiveKind::System))
            throw UsageError("--all-control-sets needs the SYSTEM hive, which holds the control sets");
        if (!options.afterPath.empty())
            CheckAfterPath(options.afterPath, files);
        const std::optional<win32sim::Platform> given =
            options.profile.empty() ? std::nullopt : std::optional(ResolveProfile(options.profile));

        HivesPreviewed previewed = PreviewHives(std::move(files), given, options.allControlSets);
        OfflineRun& run = previewed.run;
        OfflineReport report{previewed.files,
                             previewed.sets,
                             previewed.detected,
                             run,
                             Warnings(previewed.files),
                             options.allControlSets,
                             false,
                             {}};
        if (options.apply) {
            std::vector<HiveRemovals> removals;
            for (const ControlSetRun& each : run.runs)
                removals.push_back(each.removals);
            // The --after file is written before the hives, so that one that
            // cannot be written refuses the apply, and is put in place after
            // them. The run's registry then goes: the check after writing
            // reads each hive twice, and should not find it held beside them.
            const std::unique_ptr<PendingFile> afterFile = PrepareAfterState(options, run.after);
            run.after = win32sim::Registry();
            report.written = Apply(ChangesToWrite(removals, previewed.files));
            report.applied = true;
            AfterHivesWritten(report.written, [&] {
                if (afterFile)
                    afterFile->Commit();
                WriteReport(options, report, out);
            });
        } else {
            WriteAfterState(options, run.after);
            WriteReport(options, report, out);
        }
    });
}

}  // namespace qalm
