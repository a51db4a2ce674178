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

std::string Strings(const std::vector<std::string>& items)
{
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : ", ") + JsonString(items[i]);
    return text + "]";
}

// The device installer's requests also list the keys each one took.
std::string Requests(const std::vector<PlatformRequest>& requests, bool withRemovedKeys)
{
    if (requests.empty())
        return "[]";
    std::string text = "[";
    for (size_t i = 0; i < requests.size(); ++i) {
        const PlatformRequest& entry = requests[i];
        text += i == 0 ? "\n" : ",\n";
        text += "    {\"request\": " + JsonString(RequestVerb(entry)) + ", \"call\": " + JsonString(entry.call) +
                ", \"target\": " + JsonString(RequestTarget(entry)) + ", \"result\": " + std::to_string(entry.result) +
                ", \"resultName\": " + JsonString(ErrorName(entry.result));
        if (withRemovedKeys)
            text += ", \"removedKeys\": " + Strings(entry.removedKeys);
        text += "}";
    }
    return text + "\n  ]";
}

std::string Subtrees(const std::vector<KeySubtree>& subtrees)
{
    if (subtrees.empty())
        return "[]";
    std::string text = "[";
    for (size_t i = 0; i < subtrees.size(); ++i) {
        text += i == 0 ? "\n" : ",\n";
        text += "      {\"path\": " + JsonString(subtrees[i].path) + ", \"keys\": " + std::to_string(subtrees[i].keys) +
                ", \"values\": " + std::to_string(subtrees[i].values) + "}";
    }
    return text + "\n    ]";
}

std::string Values(const std::vector<ValueChange>& values)
{
    if (values.empty())
        return "[]";
    std::string text = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        text += i == 0 ? "\n" : ",\n";
        text += "      {\"key\": " + JsonString(values[i].keyPath) + ", \"name\": " + JsonString(values[i].name) +
                ", \"type\": " + std::to_string(values[i].type) +
                ", \"typeName\": " + JsonString(ValueTypeName(values[i].type)) + "}";
    }
    return text + "\n    ]";
}

// The lines left out, each with its place; at most the first SkippedKeys::kKeptLeftOutLines.
std::string LeftOutLines(const SkippedKeys& skipped)
{
    std::string text = "{\"count\": " + std::to_string(skipped.leftOutCount) + ", \"lines\": [";
    for (size_t i = 0; i < skipped.leftOut.size(); ++i) {
        const LeftOutLine& line = skipped.leftOut[i];
        text += (i == 0 ? "\n" : ",\n");
        text += "      {\"file\": " + JsonString(line.file) + ", \"line\": " + std::to_string(line.line) +
                ", \"problem\": " + JsonString(line.problem) + "}";
    }
    return text + (skipped.leftOut.empty() ? "]}" : "\n    ]}");
}

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text = "[";
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? "" : ", ") + JsonString(lines[i]);
    return text + "]";
}

}  // namespace

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

void WriteJsonReport(const PreviewResult& result, std::ostream& out)
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
        << "  \"machine\": {\"sources\": " << Strings(result.sources) << ", \"keys\": " << result.keysBefore
        << ", \"values\": " << result.valuesBefore << ",\n"
        << "    \"leftOutLines\": " << LeftOutLines(result.skipped) << "},\n"
        << "  \"deviceInstaller\": " << Requests(result.deviceInstallerRequests, true) << ",\n"
        << "  \"serviceControlManager\": " << Requests(result.serviceManagerRequests, false) << ",\n"
        << "  \"removed\": {\n"
        << "    \"keyCount\": " << changes.RemovedKeyCount() << ",\n"
        << "    \"valueCount\": " << changes.RemovedValueCount() << ",\n"
        << "    \"keys\": " << Subtrees(changes.removedKeys) << ",\n"
        << "    \"values\": " << Values(changes.removedValues) << "\n"
        << "  },\n"
        << "  \"added\": {\n"
        << "    \"keys\": " << Subtrees(changes.addedKeys) << ",\n"
        << "    \"values\": " << Values(changes.addedValues) << "\n"
        << "  },\n"
        << "  \"changed\": {\n"
        << "    \"values\": " << Values(changes.changedValues) << "\n"
        << "  },\n"
        << "  \"stillPresent\": {\"lines\": " << Lines(result.stillPresent.lines)
        << ", \"exitCode\": " << result.stillPresent.exitCode << "},\n"
        << "  \"printed\": " << JsonString(result.run.printed) << ",\n"
        << "  \"exitCode\": " << result.run.exitCode << "\n"
        << "}\n";
}

}  // namespace qalm
