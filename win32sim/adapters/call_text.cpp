#include "call_text.h"

#include <cstdio>

namespace win32sim {

std::string Quoted(const char* text) { return text ? "\"" + std::string(text) + "\"" : "NULL"; }

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%x", static_cast<unsigned>(value));
    return text;
}

std::string Decimal(unsigned long long value) { return std::to_string(value); }

std::string JoinKeyPath(std::string_view base, const char* sub)
{
    std::string path(base);
    if (sub && *sub) {
        if (!path.empty())
            path += '\\';
        path += sub;
    }
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

void Record(Machine& machine, const char* call, std::vector<std::string> arguments, long long result,
            std::string output, std::string target)
{
    machine.journal.Record(JournalEntry{call, std::move(arguments), result, std::move(output), std::move(target)});
}

}  // namespace win32sim
