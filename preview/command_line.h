// What the command lines of qalm-preview and qalm-offline share: --os,
// --after, --json, --help (-h), --version, "--" before operands that start
// with a dash, and the operands. Each tool adds its own options.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace qalm {

struct CommonOptions {
    std::string profile;
    std::string afterPath;  // "" when the after-state is not wanted
    bool json = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> operands;
};

// "--os NAME" or "--os=NAME" at arguments[index], moving index past its argument;
// answers false when the argument is another option. Throws UsageError when
// the argument is missing or empty.
bool TakeOptionArgument(const std::vector<std::string>& arguments, size_t& index, const std::string& option,
                        std::string& value);

// Takes the tool's own option at arguments[index] as TakeOptionArgument does,
// or answers false.
using OwnOption = std::function<bool(const std::vector<std::string>& arguments, size_t& index)>;

// Throws UsageError for an unknown option or one without its argument.
void ParseCommandLine(const std::vector<std::string>& arguments, CommonOptions& options, const OwnOption& own);

}  // namespace qalm
