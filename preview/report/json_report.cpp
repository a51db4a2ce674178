#include "report/json_report.h"

#include <cstdio>
#include <vector>

#include "regfile/printable.h"
#include "report/report_names.h"

namespace qalm {
namespace {

void AppendEscaped(std::string& out, unsigned code)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
    out += escaped;
}

// An array whose items, each the object that object spells, stand on lines
// of their own, indented by indent and two spaces.
template <typename Item, typename Object>
std::string ObjectLines(const std::vector<Item>& items, const std::string& indent, Object object)
{
    if (items.empty())
        return "[]";
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "\n" : ",\n") + indent + "  " + object(items[i]);
    return text + "\n" + indent + "]";
}

// The device installer's requests also list the keys each one took.
std::string Requests(const std::vector<PlatformRequest>& requests, bool withRemovedKeys,
                     const std::string& indent = "  ")
{
    return ObjectLines(requests, indent, [&](const PlatformRequest& entry) {
        return "{\"request\": " + JsonString(RequestVerb(entry)) + ", \"call\": " + JsonString(entry.call) +
               ", \"target\": " + JsonString(RequestTarget(entry)) + ", \"result\": " + std::to_string(entry.result) +
               ", \"resultName\": " + JsonString(ErrorName(entry.result)) +
               (withRemovedKeys ? ", \"removedKeys\": " + JsonStrings(entry.removedKeys) : "") + "}";
    });
}

std::string Subtrees(const std::vector<KeySubtree>& subtrees, const std::string& indent)
{
    return ObjectLines(subtrees, indent, [](const KeySubtree& subtree) {
        return "{\"path\": " + JsonString(subtree.path) + ", \"keys\": " + std::to_string(subtree.keys) +
               ", \"values\": " + std::to_string(subtree.values) + "}";
    });
}

std::string Values(const std::vector<ValueChange>& values, const std::string& indent)
{
    return ObjectLines(values, indent, [](const ValueChange& value) {
        return "{\"key\": " + JsonString(value.keyPath) + ", \"name\": " + JsonString(value.name) +
               ", \"type\": " + std::to_string(value.type) +
               ", \"typeName\": " + JsonString(ValueTypeName(value.type)) + "}";
    });
}

// "removed", "added" and "changed" of one run, as members of an object whose
// members stand at indent.
std::string Changes(const RegistryChanges& changes, const std::string& indent)
{
    const std::string inner = indent + "  ";
    return indent + "\"removed\": {\n" + inner + "\"keyCount\": " + std::to_string(changes.RemovedKeyCount()) + ",\n" +
           inner + "\"valueCount\": " + std::to_string(changes.RemovedValueCount()) + ",\n" + inner +
           "\"keys\": " + Subtrees(changes.removedKeys, inner) + ",\n" + inner +
           "\"values\": " + Values(changes.removedValues, inner) + "\n" + indent + "},\n" + indent + "\"added\": {\n" +
           inner + "\"keys\": " + Subtrees(changes.addedKeys, inner) + ",\n" + inner +
           "\"values\": " + Values(changes.addedValues, inner) + "\n" + indent + "},\n" + indent + "\"changed\": {\n" +
           inner + "\"values\": " + Values(changes.changedValues, inner) + "\n" + indent + "}";
}

// The start request, and the twin's run (null when it did not start).
std::string HandoverJson(const Handover& handover)
{
    const PlatformRequest& start = handover.start;
    std::string text = "{\"request\": " + JsonString(RequestVerb(start)) + ", \"call\": " + JsonString(start.call) +
                       ", \"target\": " + JsonString(RequestTarget(start)) +
                       ", \"result\": " + std::to_string(start.result) +
                       ", \"resultName\": " + JsonString(ErrorName(start.result)) + ",\n    \"twin\": ";
    if (!handover.twin)
        return text + "null}";
    const TwinRun& twin = *handover.twin;
    return text + "{\n      \"exitCode\": " + std::to_string(twin.exitCode) +
           ",\n      \"deviceInstaller\": " + Requests(twin.deviceInstallerRequests, true, "      ") +
           ",\n      \"serviceControlManager\": " + Requests(twin.serviceManagerRequests, false, "      ") + ",\n" +
           Changes(twin.changes, "      ") + "\n    }}";
}

// The lines left out, each with its place; at most the first SkippedKeys::kKeptLeftOutLines.
std::string LeftOutLines(const SkippedKeys& skipped)
{
    return "{\"count\": " + std::to_string(skipped.leftOutCount) + ", \"lines\": " +
           ObjectLines(skipped.leftOut, "    ",
                       [](const LeftOutLine& line) {
                           return "{\"file\": " + JsonString(line.file) + ", \"line\": " + std::to_string(line.line) +
                                  ", \"problem\": " + JsonString(line.problem) + "}";
                       }) +
           "}";
}

}  // namespace

std::string JsonStrings(const std::vector<std::string>& items)
{
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : ", ") + JsonString(items[i]);
    return text + "]";
}

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const size_t length = Utf8CharacterLength(text, i);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte < 0x20 || length == 0) {
            AppendEscaped(out, byte);
        } else {
            out.append(text, i, length);
            i += length;
            continue;
        }
        ++i;
    }
    return out + "\"";
}

void WriteJsonReport(const PreviewResult& result, std::ostream& out, std::string_view extraMembers)
{
    const win32sim::Platform& platform = result.platform;
    const RegistryChanges& changes = result.changes;

    out << "{\n"
        << "  \"platform\": {\"profile\": " << JsonString(platform.name)
        << ", \"description\": " << JsonString(PlatformDescription(platform))
        << ", \"platformId\": " << platform.platformId << ", \"majorVersion\": " << platform.majorVersion
        << ", \"minorVersion\": " << platform.minorVersion << ", \"buildNumber\": " << platform.buildNumber
        << ", \"versionQueryFails\": " << (platform.versionQueryFails ? "true" : "false") << "},\n"
        << "  \"mode\": " << JsonString(ModeName(result.platformMode)) << ",\n"
        << "  \"machine\": {\"sources\": " << JsonStrings(result.sources) << ", \"keys\": " << result.keysBefore
        << ", \"values\": " << result.valuesBefore << ",\n"
        << "    \"leftOutLines\": " << LeftOutLines(result.skipped) << "},\n"
        << (result.handover ? "  \"handover\": " + HandoverJson(*result.handover) + ",\n" : "")
        << "  \"deviceInstaller\": " << Requests(result.deviceInstallerRequests, true) << ",\n"
        << "  \"serviceControlManager\": " << Requests(result.serviceManagerRequests, false) << ",\n"
        << Changes(changes, "  ") << ",\n"
        << "  \"stillPresent\": {\"lines\": " << JsonStrings(result.stillPresent.lines)
        << ", \"exitCode\": " << result.stillPresent.exitCode << "},\n"
        << "  \"printed\": " << JsonString(result.run.printed) << ",\n"
        << "  \"exitCode\": " << result.run.exitCode << extraMembers << "\n"
        << "}\n";
}

}  // namespace qalm
