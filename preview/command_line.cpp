#include "command_line.h"

#include "preview_error.h"
#include "regfile/printable.h"

namespace qalm {

bool TakeOptionArgument(const std::vector<std::string>& arguments, size_t& index, const std::string& option,
                        std::string& value)
{
    const std::string& argument = arguments[index];
    if (argument.compare(0, option.size() + 1, option + "=") == 0) {
        value = argument.substr(option.size() + 1);
    } else if (argument == option) {
        if (index + 1 == arguments.size())
            throw UsageError(option + " needs an argument");
        value = arguments[++index];
    } else {
        return false;
    }
    if (value.empty())
        throw UsageError(option + " needs a non-empty argument");
    return true;
}

void ParseCommandLine(const std::vector<std::string>& arguments, CommonOptions& options, const OwnOption& own)
{
    bool onlyOperands = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyOperands || argument.empty() || argument[0] != '-') {
            options.operands.push_back(argument);
        } else if (argument == "--") {
            onlyOperands = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (!TakeOptionArgument(arguments, i, "--os", options.profile) &&
                   !TakeOptionArgument(arguments, i, "--after", options.afterPath) && !own(arguments, i)) {
            throw UsageError("unknown option \"" + Printable(argument) + "\"");
        }
    }
}

}  // namespace qalm
