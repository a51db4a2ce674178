#include "report/text_report.h"

#include <algorithm>
#include <string>
#include <vector>

#include "regfile/printable.h"
#include "report/removal_tree.h"
#include "report/report_names.h"

namespace qalm {
namespace {

std::string Joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string Plural(size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string ResultText(long long result)
{
    if (result == ERROR_SUCCESS)
        return "ok";
    return "failed: " + ErrorName(result);
}

void WriteRequests(const char* title, const std::vector<PlatformRequest>& requests, std::ostream& out)
{
    out << title << ": ";
    if (requests.empty()) {
        out << "no requests\n";
        return;
    }
    out << Plural(requests.size(), "request", "requests") << "\n";

    size_t verbWidth = 0;
    size_t targetWidth = 0;
    for (const PlatformRequest& entry : requests) {
        verbWidth = std::max(verbWidth, RequestVerb(entry).size());
        targetWidth = std::max(targetWidth, Printable(RequestTarget(entry)).size());
    }
    for (const PlatformRequest& entry : requests) {
        const std::string verb = RequestVerb(entry);
        const std::string target = Printable(RequestTarget(entry));
        out << "  " << verb << std::string(verbWidth - verb.size() + 2, ' ') << target
            << std::string(targetWidth - target.size() + 3, ' ') << ResultText(entry.result) << "\n";
        // What the platform took with the request, under its target.
        for (const std::string& key : entry.removedKeys)
            out << std::string(verbWidth + 4, ' ') << "- " << Printable(key) << "\n";
    }
}

void WriteValueList(const char* title, const std::vector<ValueChange>& values, std::ostream& out)
{
    if (values.empty())
        return;
    out << "\n" << title << ": " << Plural(values.size(), "value", "values") << "\n";
    for (const ValueChange& value : values) {
        out << "  " << Printable(value.keyPath) << "  "
            << (value.name.empty() ? "@ (default)" : "\"" + Printable(value.name) + "\"") << " ("
            << ValueTypeName(value.type) << ")\n";
    }
}

// The requests one program made and what its run changed.
void WriteRun(const std::vector<PlatformRequest>& deviceInstallerRequests,
              const std::vector<PlatformRequest>& serviceManagerRequests, const RegistryChanges& changes,
              std::ostream& out)
{
    WriteRequests("Device installer", deviceInstallerRequests, out);
    WriteRequests("Service control manager", serviceManagerRequests, out);

    out << "\nRemoved from HKEY_LOCAL_MACHINE: ";
    if (changes.removedKeys.empty() && changes.removedValues.empty()) {
        out << "nothing\n";
    } else {
        out << CountText(changes.RemovedKeyCount(), changes.RemovedValueCount()) << "\n";
        for (const std::string& line : RemovalTreeLines(changes))
            out << "  " << line << "\n";
    }

    // The program only deletes; anything else is shown so that it cannot pass unseen.
    if (!changes.addedKeys.empty()) {
        out << "\nAdded: " << Plural(changes.addedKeys.size(), "key", "keys") << "\n";
        for (const KeySubtree& added : changes.addedKeys)
            out << "  + " << Printable(added.path) << "   " << CountText(added.keys, added.values) << "\n";
    }
    WriteValueList("Values added", changes.addedValues, out);
    WriteValueList("Values changed", changes.changedValues, out);
}

// The start of the 64-bit twin, and its run before the program's own.
void WriteHandover(const Handover& handover, std::ostream& out)
{
    WriteRequests("Handover", {handover.start}, out);
    out << "\n";
    if (!handover.twin)
        return;
    const TwinRun& twin = *handover.twin;
    out << "The 64-bit program (exit code " << twin.exitCode << "):\n";
    WriteRun(twin.deviceInstallerRequests, twin.serviceManagerRequests, twin.changes, out);
    out << "\nThe 32-bit program, after it:\n";
}

}  // namespace

void WriteTextReport(const PreviewResult& result, std::ostream& out)
{
    out << "Platform: " << result.platform.name << " (" << PlatformDescription(result.platform) << ") -> "
        << ModeName(result.platformMode) << "\n";
    out << "Machine:  " << Printable(Joined(result.sources)) << ": " << Plural(result.keysBefore, "key", "keys") << ", "
        << Plural(result.valuesBefore, "value", "values") << "\n\n";

    if (result.handover)
        WriteHandover(*result.handover, out);
    WriteRun(result.deviceInstallerRequests, result.serviceManagerRequests, result.changes, out);

    // The check's own lines, as qalm-check.exe prints them on this machine now.
    out << "\nStill present after this run:\n";
    for (const std::string& line : result.stillPresent.lines)
        out << "  " << Printable(line) << "\n";

    out << "\nPrinted:   ";
    if (result.run.printed.empty())
        out << "nothing\n";
    else
        out << "\"" << Printable(result.run.printed) << "\"\n";
    out << "Exit code: " << result.run.exitCode << "\n";
}

}  // namespace qalm
