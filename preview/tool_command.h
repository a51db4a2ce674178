// What running qalm-preview and qalm-offline share: --help and --version
// answered, the after-state written, and each error told on standard error
// after the tool's name (a usage error with the usage line), with the exit status.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "atomic_file.h"
#include "command_line.h"
#include "win32sim/registry.h"

namespace qalm {

constexpr int kExitRan = 0;
constexpr int kExitBadInput = 2;

struct Tool {
    const char* name;  // "qalm-preview"
    std::string (*usage)();
    void (*writeHelp)(std::ostream& out);
};

// body: parses the arguments and does the tool's work, throwing what it cannot
// do. Answers kExitRan when it returns, kExitBadInput when it throws.
int RunTool(const Tool& tool, std::ostream& out, std::ostream& err, const std::function<void()>& body);

// A report that could not be written (a full disk, a closed pipe) is an
// error, not a run. RunTool checks it after the body too.
void CheckReportWritten(std::ostream& out);

// Writes the help or the version when the options ask for one: answers
// whether they did, and then nothing else is to be done.
bool AnswerHelpOrVersion(const Tool& tool, const CommonOptions& options, std::ostream& out);

// The machine after the run as a .reg file, when --after asks for it.
void WriteAfterState(const CommonOptions& options, const win32sim::Registry& after);
// The same written in full beside its place, put there by its Commit;
// nullptr without --after.
std::unique_ptr<PendingFile> PrepareAfterState(const CommonOptions& options, const win32sim::Registry& after);

}  // namespace qalm
