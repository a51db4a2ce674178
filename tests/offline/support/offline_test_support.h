// Helpers for the offline tests: Windows installations made of hives from
// the Wine suite's .reg fixtures (hive_fixture.h makes the hives), the tools
// that read them back, and qalm-offline run on them.
#pragma once

#include <string>
#include <vector>

#include "hive_fixture.h"
#include "preview_test_support.h"

namespace qalm::testing {

struct ToolRun {
    int exitCode = -1;   // the signal's number plus 128 when it was killed by one
    std::string output;  // standard output and standard error
};

// Runs a program with its arguments, feeding it input; never through a shell.
ToolRun RunTool(const std::vector<std::string>& command, const std::string& input = "");

// The command's exit status and what it wrote to each stream, run in this process.
struct OfflineRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};
OfflineRun RunOffline(const std::vector<std::string>& arguments);

// An NT machine given as a .reg fixture (keys under SYSTEM\CurrentControlSet,
// SOFTWARE and HARDWARE), made into hives as Windows keeps them.
struct NtVersion {
    std::string currentVersion;  // "5.1"
    std::string buildNumber;     // "2600"
    std::string servicePack;     // "Service Pack 3"
};
struct NtInstallation {
    std::string partition;  // holds WINDOWS/system32/config/SYSTEM and SOFTWARE
    std::string systemHive;
    std::string softwareHive;
    // The same keys and values as a .reg export of the hives, as the preview
    // reads them: the current control set (001) as CurrentControlSet,
    // ControlSet002 as it is; nothing of HARDWARE, which lies in no hive.
    std::string exportPath;
};
// ControlSet001 and ControlSet002 both hold the fixture's CurrentControlSet;
// Select names 001 current and 002 last known good; the version key holds version.
NtInstallation MakeNtInstallation(const TemporaryFolder& folder, const std::string& fixtureText,
                                  const NtVersion& version);

std::string WineFixture(const std::string& name);  // the text of tests/wine/fixtures/NAME.reg

// The lines of text from the first that starts with from to the first after
// it that starts with to, both included.
std::string LinesBetween(const std::string& text, const std::string& from, const std::string& to);

}  // namespace qalm::testing
