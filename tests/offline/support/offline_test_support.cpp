#include "offline_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "offline_command.h"

extern char** environ;

namespace qalm::testing {
namespace {

namespace fs = std::filesystem;

// A file of its own in the system's temporary folder, removed with the object.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& content = "")
    {
        std::string pattern = (fs::temp_directory_path() / "qalm-offline-tool-XXXXXX").string();
        const int descriptor = mkstemp(pattern.data());
        if (descriptor < 0)
            throw std::runtime_error("cannot create a temporary file");
        close(descriptor);
        path_ = pattern;
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

struct KeyBlock {
    std::string path;  // below HKEY_LOCAL_MACHINE
    std::vector<std::string> lines;
};

std::vector<KeyBlock> KeyBlocks(const std::string& regText)
{
    std::vector<KeyBlock> blocks;
    std::istringstream in(regText);
    std::string line;
    const std::string root = "[HKEY_LOCAL_MACHINE\\";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line == "REGEDIT4")
            continue;
        if (line.compare(0, root.size(), root) == 0 && line.back() == ']')
            blocks.push_back({line.substr(root.size(), line.size() - root.size() - 1), {}});
        else if (!blocks.empty())
            blocks.back().lines.push_back(line);
        else
            throw std::runtime_error("a fixture line outside any key: " + line);
    }
    return blocks;
}

void Append(std::string& text, const std::string& path, const std::vector<std::string>& lines)
{
    text += "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n";
    for (const std::string& line : lines)
        text += line + "\r\n";
    text += "\r\n";
}

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

}  // namespace

ToolRun RunTool(const std::vector<std::string>& command, const std::string& input)
{
    const ScratchFile in(input);
    const ScratchFile out;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.Path().c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.Path().c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = 0;
    const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ToolRun run;
    if (error != 0) {
        run.output = "cannot run " + command[0] + ": " + std::strerror(error);
        return run;
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.output = ReadFile(out.Path());
    return run;
}

OfflineRun RunOffline(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    OfflineRun run;
    run.exitCode = RunOfflineCommand(arguments, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

NtInstallation MakeNtInstallation(const TemporaryFolder& folder, const std::string& fixtureText,
                                  const NtVersion& version)
{
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string currentSet = "SYSTEM\\CurrentControlSet";
    std::string system = header;
    std::string software = header;
    std::string exported = header;
    for (const KeyBlock& block : KeyBlocks(fixtureText)) {
        if (StartsWith(block.path, currentSet)) {
            const std::string rest = block.path.substr(currentSet.size());
            Append(system, "SYSTEM\\ControlSet001" + rest, block.lines);
            Append(system, "SYSTEM\\ControlSet002" + rest, block.lines);
            Append(exported, block.path, block.lines);
            Append(exported, "SYSTEM\\ControlSet002" + rest, block.lines);
        } else if (StartsWith(block.path, "SOFTWARE\\")) {
            Append(software, block.path, block.lines);
            Append(exported, block.path, block.lines);
        } else if (!StartsWith(block.path, "HARDWARE\\")) {
            throw std::runtime_error("a fixture key neither in SYSTEM\\CurrentControlSet, SOFTWARE nor HARDWARE: " +
                                     block.path);
        }
    }
    const std::vector<std::string> select = {"\"Current\"=dword:00000001", "\"Default\"=dword:00000001",
                                             "\"LastKnownGood\"=dword:00000002", "\"Failed\"=dword:00000000"};
    Append(system, "SYSTEM\\Select", select);
    Append(exported, "SYSTEM\\Select", select);
    const std::vector<std::string> versionValues = {"\"CurrentVersion\"=\"" + version.currentVersion + "\"",
                                                    "\"CurrentBuildNumber\"=\"" + version.buildNumber + "\"",
                                                    "\"CSDVersion\"=\"" + version.servicePack + "\""};
    Append(software, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", versionValues);
    Append(exported, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", versionValues);

    NtInstallation installation;
    installation.partition = folder.PathOf("partition");
    const std::string config = installation.partition + "/WINDOWS/system32/config";
    fs::create_directories(config);
    installation.systemHive = config + "/SYSTEM";
    installation.softwareHive = config + "/SOFTWARE";
    MakeHive(installation.systemHive, kSystemPrefix, system);
    MakeHive(installation.softwareHive, kSoftwarePrefix, software);
    installation.exportPath = folder.Write("export.reg", exported);
    return installation;
}

std::string WineFixture(const std::string& name) { return ReadFile(QALM_WINE_FIXTURES "/" + name + ".reg"); }

std::string LinesBetween(const std::string& text, const std::string& from, const std::string& to)
{
    const size_t start = text.compare(0, from.size(), from) == 0 ? 0 : text.find("\n" + from);
    if (start == std::string::npos)
        return "";
    const size_t begin = start == 0 ? 0 : start + 1;
    const size_t stop = text.find("\n" + to, begin);
    if (stop == std::string::npos)
        return text.substr(begin);
    const size_t lineEnd = text.find('\n', stop + 1);
    return text.substr(begin, lineEnd == std::string::npos ? std::string::npos : lineEnd + 1 - begin);
}

}  // namespace qalm::testing
