#include "software_hive.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "regfile/reg_writer.h"
#include "support/hive_fixture.h"

namespace qalm::bench {
namespace {

constexpr const char* kSoftwareKeyLine = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\";

}  // namespace

void WriteSoftwareHive(const win32sim::Registry& registry, const std::string& hivePath)
{
    // reged takes keys under one prefix only, after the header of a version 5 export.
    std::ostringstream exported;
    WriteRegFile(registry, exported, RegFileFormat::Regedit4);
    std::istringstream lines(exported.str());
    std::string text = "Windows Registry Editor Version 5.00\n\n";
    bool inSoftware = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '[')
            inSoftware = line.rfind(kSoftwareKeyLine, 0) == 0;
        if (inSoftware)
            text += line + "\n";
    }
    testing::MakeHive(hivePath, testing::kSoftwarePrefix, text);
}

void WriteRemovals(const offline::HiveChanges& changes, const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& key : changes.removedKeys)
        out << "key\t" << key << "\n";
    for (const offline::ValueRemoval& value : changes.removedValues)
        out << "value\t" << value.keyPath << "\t" << value.valueName << "\n";
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

offline::HiveChanges ReadRemovals(const std::string& path, const std::string& hivePath)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    offline::HiveChanges changes{hivePath, {}, {}};
    for (std::string line; std::getline(in, line);) {
        const size_t tab = line.find('\t');
        const std::string kind = line.substr(0, tab);
        const std::string rest = tab == std::string::npos ? "" : line.substr(tab + 1);
        const size_t nameTab = rest.find('\t');
        if (kind == "key")
            changes.removedKeys.push_back(rest);
        else if (kind == "value" && nameTab != std::string::npos)
            changes.removedValues.push_back({rest.substr(0, nameTab), rest.substr(nameTab + 1)});
        else
            throw std::runtime_error(path + ": cannot read the line \"" + line + "\"");
    }
    return changes;
}

}  // namespace qalm::bench
