#include "program_test_support.h"

#include <stdexcept>

#include "regfile/machine_loader.h"

using namespace win32sim;

namespace programtest {

namespace {

void CollectContents(const RegKey& key, std::set<std::string>& out)
{
    std::string path = key.Path();
    if (!path.empty())
        out.insert(path);
    for (const RegValue& value : key.Values())
        out.insert(path + " > " + std::string(value.Name()));
    for (size_t i = 0; i < key.SubkeyCount(); ++i)
        CollectContents(key.SubkeyAt(i), out);
}

}  // namespace

void AddToRegistry(Registry& registry, std::string_view lines)
{
    qalm::LoadRegText("REGEDIT4\n" + std::string(lines), "test machine", registry);
}

ActiveMachine::ActiveMachine(std::string_view profile, std::string_view text)
    : machine(FindPlatform(profile).value()), scope(machine)
{
    AddToRegistry(machine.registry, text);
}

RegKey& ActiveMachine::Key(std::string_view path) const
{
    RegKey* key = machine.registry.Find(path);
    if (!key)
        throw std::invalid_argument("no key " + std::string(path));
    return *key;
}

std::vector<std::string> SubkeyNames(const RegKey& key)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < key.SubkeyCount(); ++i)
        names.emplace_back(key.SubkeyAt(i).Name());
    return names;
}

std::set<std::string> Contents(const Registry& registry)
{
    std::set<std::string> out;
    CollectContents(registry.Root(), out);
    return out;
}

std::set<std::string> Removed(const std::set<std::string>& before, const Registry& after)
{
    std::set<std::string> now = Contents(after);
    std::set<std::string> removed;
    for (const std::string& entry : before) {
        if (now.count(entry))
            continue;
        size_t valueMark = entry.find(" > ");
        if (valueMark == std::string::npos || now.count(entry.substr(0, valueMark)))
            removed.insert(entry);
    }
    return removed;
}

std::vector<std::string> Succeeded(const Journal& journal, std::string_view call)
{
    std::vector<std::string> targets;
    for (const JournalEntry& entry : journal.Find(call)) {
        if (entry.result == ERROR_SUCCESS)
            targets.push_back(entry.target);
    }
    return targets;
}

size_t CountCalls(const Journal& journal, std::string_view call) { return journal.Find(call).size(); }

}  // namespace programtest
