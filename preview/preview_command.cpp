#include "preview_command.h"

#include "preview_options.h"
#include "regfile/machine_loader.h"
#include "report/json_report.h"
#include "report/text_report.h"
#include "run/preview.h"
#include "sample_machine.h"
#include "tool_command.h"

namespace qalm {
namespace {

void WriteHelp(std::ostream& out)
{
    out << PreviewUsage() << "\n\n"
        << "Shows what qalm-uninstall would do on the machine whose registry the .reg\n"
        << "files hold (merged in order; none: a built-in sample), touching nothing.\n\n"
        << "  --os PROFILE   the Windows version to run on (default winxp):\n                ";
    for (const win32sim::Platform& platform : win32sim::KnownPlatforms())
        out << " " << platform.name;
    out << "\n                 or ID.MAJOR.MINOR as GetVersionExA reports it\n"
        << "  --without setupapi.dll\n"
        << "                 the platform has no setupapi.dll (Windows 95, NT 3.51)\n"
        << "  --without setupapi-functions\n"
        << "                 its setupapi.dll lacks the device installer's functions\n"
        << "  --without " << kWithoutTwin << "\n"
        << "                 the 64-bit program is not beside the program, which on\n"
        << "                 64-bit Windows (winxp64, win2003x64) starts it first\n"
        << "  --after FILE   also write the machine after the run as a .reg file: REGEDIT4,\n"
        << "                 or Unicode when its text is not all ASCII\n"
        << "  --json         the report as one JSON document\n"
        << "  --strict       stop at the first malformed line of a .reg file, instead of\n"
        << "                 leaving it out as regedit does on import (with a warning)\n"
        << "  --help         this text; --version: the version\n\n"
        << "Exit status: " << kExitRan << " when the preview ran, " << kExitBadInput
        << " for bad input or usage (the reason on standard error).\n";
}

const Tool kPreview{"qalm-preview", PreviewUsage, WriteHelp};

}  // namespace

int RunPreviewCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    return RunTool(kPreview, out, err, [&] {
        const PreviewOptions options = ParsePreviewOptions(arguments);
        if (AnswerHelpOrVersion(kPreview, options, out))
            return;

        win32sim::Machine machine(ResolveProfile(options.profile, options.without));
        PlaceNativeTwin(machine, options.without != kWithoutTwin);
        std::vector<std::string> sources = options.operands;
        SkippedKeys skipped;
        if (sources.empty()) {
            LoadSampleMachine(machine.registry);
            sources.emplace_back(kSampleMachineName);
        } else {
            skipped = LoadRegFiles(sources, machine.registry,
                                   options.strict ? MalformedLines::Refuse : MalformedLines::LeaveOut);
            for (const std::string& warning : {SkippedKeysWarning(skipped), LeftOutLinesWarning(skipped)}) {
                if (!warning.empty())
                    err << kPreview.name << ": " << warning << "\n";
            }
        }

        PreviewResult result = RunPreview(machine, std::move(sources));
        result.skipped = std::move(skipped);
        WriteAfterState(options, machine.registry);
        if (options.json)
            WriteJsonReport(result, out);
        else
            WriteTextReport(result, out);
    });
}

}  // namespace qalm
