#include "tool_command.h"

#include <stdexcept>

#include "preview_error.h"
#include "regfile/reg_writer.h"

namespace qalm {

int RunTool(const Tool& tool, std::ostream& out, std::ostream& err, const std::function<void()>& body)
{
    try {
        body();
        CheckReportWritten(out);
        return kExitRan;
    } catch (const UsageError& error) {
        err << tool.name << ": " << error.what() << "\n" << tool.usage() << "\n";
    } catch (const std::runtime_error& error) {
        // the tools' own errors, a .reg file's RegFileError, or the program's
        // output not captured (std::system_error)
        err << tool.name << ": " << error.what() << "\n";
    } catch (const std::logic_error& error) {
        err << tool.name << ": internal error, nothing written: " << error.what() << "\n";
    } catch (const std::exception& error) {
        // out of memory, most likely; whatever was under way has said what it left
        err << tool.name << ": stopped: " << error.what() << "\n";
    }
    return kExitBadInput;
}

void CheckReportWritten(std::ostream& out)
{
    out.flush();
    if (!out)
        throw PreviewError("the report could not be written to standard output");
}

bool AnswerHelpOrVersion(const Tool& tool, const CommonOptions& options, std::ostream& out)
{
    if (options.help)
        tool.writeHelp(out);
    else if (options.version)
        out << tool.name << " " << QALM_VERSION << "\n";
    return options.help || options.version;
}

void WriteAfterState(const CommonOptions& options, const win32sim::Registry& after)
{
    if (const std::unique_ptr<PendingFile> file = PrepareAfterState(options, after))
        file->Commit();
}

std::unique_ptr<PendingFile> PrepareAfterState(const CommonOptions& options, const win32sim::Registry& after)
{
    if (options.afterPath.empty())
        return nullptr;
    return std::make_unique<PendingFile>(options.afterPath,
                                         [&](std::ostream& file) { WriteRegFileExactly(after, file); });
}

}  // namespace qalm
