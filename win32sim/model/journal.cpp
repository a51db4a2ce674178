#include "win32sim/journal.h"

namespace win32sim {

std::string JournalEntry::ToString() const
{
    std::string line = call + "(";
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            line += ", ";
        line += arguments[i];
    }
    line += ") = " + std::to_string(result);
    if (!output.empty())
        line += " -> " + output;
    if (!target.empty())
        line += " [" + target + "]";
    return line;
}

std::vector<std::string> Journal::Calls() const
{
    std::vector<std::string> calls;
    for (const JournalEntry& entry : entries_)
        calls.push_back(entry.call);
    return calls;
}

std::string Journal::ToString() const
{
    std::string text;
    for (const JournalEntry& entry : entries_)
        text += entry.ToString() + "\n";
    return text;
}

std::vector<JournalEntry> Journal::Find(std::string_view call) const
{
    std::vector<JournalEntry> found;
    for (const JournalEntry& entry : entries_) {
        if (entry.call == call)
            found.push_back(entry);
    }
    return found;
}

std::vector<std::string> Journal::Targets(std::string_view call) const
{
    std::vector<std::string> targets;
    for (const JournalEntry& entry : entries_) {
        if (entry.call == call)
            targets.push_back(entry.target);
    }
    return targets;
}

}  // namespace win32sim
