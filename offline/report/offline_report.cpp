#include "report/offline_report.h"

#include <algorithm>
#include <sstream>

#include "product/product.h"
#include "regfile/printable.h"
#include "report/json_report.h"
#include "report/text_report.h"

namespace qalm {
namespace {

std::string HivesLine(const HiveFiles& files)
{
    std::string line;
    for (const HiveFile& file : files.files)
        line += (line.empty() ? "" : ", ") + Printable(file.path) + " (" + ShownHiveKey({file.kind, ""}) + ")";
    return line;
}

std::string SetWithRoles(const ControlSets& sets, unsigned number)
{
    const std::string roles = sets.RolesOf(number);
    return ControlSetName(number) + (roles.empty() ? "" : " (" + roles + ")");
}

std::string ControlSetLine(const OfflineReport& report)
{
    const std::optional<ControlSets>& sets = report.sets;
    if (!sets)
        return "";
    std::string line = ControlSetName(sets->current) + " as CurrentControlSet (SYSTEM\\Select \"Current\")";
    const std::vector<unsigned> others = sets->Others();
    if (others.empty())
        return line + "; the hive holds no other";
    std::string otherNames;
    for (unsigned other : others)
        otherNames += (otherNames.empty() ? "" : ", ") + SetWithRoles(*sets, other);
    if (report.allControlSets)
        return line + "; then each other one: " + otherNames;
    return line + "; left as they are: " + otherNames + " (--all-control-sets cleans them too)";
}

std::string VersionLine(const OfflineReport& report, const win32sim::Platform& platform)
{
    if (!report.detected)
        return "given with --os " + platform.name;
    const char* key = report.files.family == WindowsFamily::Nt ? kNtVersionKey : k9xVersionKey;
    return report.detected->recorded + " (" + key + ") -> " + platform.name;
}

// What the run would have done to a running Windows and cannot do to its hives.
std::vector<std::string> NotDoneLines(const ControlSetRun& run)
{
    std::vector<std::string> lines;
    lines.push_back(
        "nothing is stopped: this Windows is not running, so no service or device stops (the service "
        "control manager's answers above are the stand-in's)");
    if (!run.result.deviceInstallerRequests.empty())
        lines.push_back(
            "the device installer does not run: its remove requests take their registry keys alone, "
            "and no class installer or co-installer does its own work");
    if (run.serviceInstalled) {
        const std::string where = std::string("HKLM\\") + ServiceKey;
        if (run.driverImagePath.empty())
            lines.push_back("the driver's file stays: " + where +
                            " names no ImagePath, so Windows loads System32\\drivers\\" + ServiceName +
                            ".sys; delete that file by hand");
        else
            lines.push_back("the driver's file stays: " + Printable(run.driverImagePath) + " (ImagePath of " + where +
                            "); delete it by hand");
    }
    for (const std::string& key : run.hardwareKeys) {
        std::string line =
            "HKLM\\HARDWARE lies in no hive (Windows builds it at every start): the run asked for HKLM\\" +
            Printable(key);
        if (win32sim::EqualsIgnoringCase(key, SerialCommKey))
            line += std::string(", to remove its value \"") + SerialCommValueName +
                    "\" (the port in the serial-port map); Windows puts it there only while the driver runs";
        lines.push_back(line);
    }
    return lines;
}

bool RemovesAnything(const OfflineRun& run)
{
    for (const ControlSetRun& each : run.runs) {
        if (!each.removals.keys.empty() || !each.removals.values.empty())
            return true;
    }
    return false;
}

std::string RunTitle(const OfflineReport& report, const ControlSetRun& run)
{
    const ControlSets& sets = *report.sets;
    std::string title = SetWithRoles(sets, run.controlSet) + " as CurrentControlSet";
    if (run.controlSet != sets.current)
        title += ": what the program removes were it current, after the runs above";
    return title;
}

// The members each run's document gets: its control set and what it cannot do.
std::string JsonRunMembers(const ControlSetRun& run)
{
    return "\"controlSet\": " +
           (run.controlSet == 0 ? std::string("null") : JsonString(ControlSetName(run.controlSet))) +
           ", \"driverImagePath\": " + (run.serviceInstalled ? JsonString(run.driverImagePath) : std::string("null")) +
           ", \"hardwareKeys\": " + JsonStrings(run.hardwareKeys) + ", \"notDone\": " + JsonStrings(NotDoneLines(run));
}

std::string JsonControlSets(const std::optional<ControlSets>& sets)
{
    if (!sets)
        return "null";
    std::vector<std::string> present;
    for (unsigned number : sets->present)
        present.push_back(ControlSetName(number));
    std::string selected;
    for (const auto& [role, number] : sets->selected)
        selected += (selected.empty() ? "" : ", ") + JsonString(role) + ": " + std::to_string(number);
    return "{\"current\": " + JsonString(ControlSetName(sets->current)) + ", \"present\": " + JsonStrings(present) +
           ", \"select\": {" + selected + "}}";
}

}  // namespace

std::string ShellQuoted(const std::string& path)
{
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void WriteOfflineTextReport(const OfflineReport& report, std::ostream& out)
{
    const std::vector<ControlSetRun>& runs = report.run.runs;
    out << "Hives:       " << HivesLine(report.files) << "\n";
    for (const std::string& warning : report.warnings)
        out << "Warning:     " << warning << "\n";
    if (const std::string line = ControlSetLine(report); !line.empty())
        out << "Control set: " << line << "\n";
    out << "Version:     " << VersionLine(report, runs.front().result.platform) << "\n";

    for (const ControlSetRun& run : runs) {
        out << "\n";
        if (report.allControlSets && report.sets)
            out << "=== " << RunTitle(report, run) << " ===\n\n";
        WriteTextReport(run.result, out);
        out << "\nNot done offline:\n";
        for (const std::string& line : NotDoneLines(run))
            out << "  - " << line << "\n";
    }

    out << "\n";
    if (!RemovesAnything(report.run)) {
        out << "Nothing written: the run removes nothing from the hives.\n";
    } else if (report.files.family == WindowsFamily::Windows9x) {
        out << "Nothing written: a 9x SYSTEM.DAT is only read; --apply writes NT hives alone.\n";
    } else if (!report.applied) {
        out << "Nothing written. The same command with --apply removes these keys and values from the hives.\n";
    } else {
        out << "Written, each hive checked after writing and its original kept beside it:\n";
        size_t width = 0;
        for (const offline::AppliedHive& hive : report.written)
            width = std::max(width, Printable(hive.file).size());
        for (const offline::AppliedHive& hive : report.written) {
            const std::string file = Printable(hive.file);
            out << "  " << file << std::string(width - file.size() + 3, ' ') << "backup: " << Printable(hive.backup)
                << "\n";
        }
        out << "To undo, with that Windows not running, rename each backup back over its hive:\n";
        for (const offline::AppliedHive& hive : report.written)
            out << "  mv -- " << ShellQuoted(hive.backup) << " " << ShellQuoted(hive.file) << "\n";
    }
}

void WriteOfflineJsonReport(const OfflineReport& report, std::ostream& out)
{
    const std::vector<ControlSetRun>& runs = report.run.runs;
    std::string hives;
    for (const HiveFile& file : report.files.files) {
        hives += (hives.empty() ? "" : ", ") + std::string("{\"file\": ") + JsonString(file.path) +
                 ", \"key\": " + JsonString(ShownHiveKey({file.kind, ""})) + "}";
    }
    std::string otherRuns;
    for (size_t i = 1; i < runs.size(); ++i) {
        std::ostringstream document;
        WriteJsonReport(runs[i].result, document, ",\n  \"offline\": {" + JsonRunMembers(runs[i]) + "}");
        otherRuns += (i == 1 ? "" : ", ") + document.str();
    }
    std::string written;
    for (const offline::AppliedHive& hive : report.written) {
        written += (written.empty() ? "" : ", ") + std::string("{\"file\": ") + JsonString(hive.file) +
                   ", \"backup\": " + JsonString(hive.backup) + "}";
    }
    const std::string version =
        report.detected ? "{\"recorded\": " + JsonString(report.detected->recorded) + ", \"key\": " +
                              JsonString(report.files.family == WindowsFamily::Nt ? kNtVersionKey : k9xVersionKey) + "}"
                        : std::string("{\"givenWith\": \"--os\"}");

    const std::string members = ",\n  \"offline\": {" + JsonRunMembers(runs.front()) + ",\n    \"hives\": [" + hives +
                                "],\n    \"warnings\": " + JsonStrings(report.warnings) +
                                ",\n    \"controlSets\": " + JsonControlSets(report.sets) +
                                ",\n    \"version\": " + version + ",\n    \"otherControlSets\": [" + otherRuns +
                                "],\n    \"applied\": " + (report.applied ? "true" : "false") + ", \"written\": [" +
                                written + "]}";
    WriteJsonReport(runs.front().result, out, members);
}

}  // namespace qalm
