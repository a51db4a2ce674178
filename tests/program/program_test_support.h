// Machines written as a registry export reads, run through the program, and
// the questions asked of them afterwards.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "run/program_runner.h"
#include "win32sim/machine.h"

namespace programtest {

using Entries = std::set<std::string>;
using Targets = std::vector<std::string>;

// Where the product's keys live, each ending with a backslash to append names to.
inline const std::string Pci = R"(SYSTEM\CurrentControlSet\Enum\PCI\)";
inline const std::string Services = R"(SYSTEM\CurrentControlSet\Services\)";
inline const std::string Country = R"(SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\)";
inline const std::string Uninstall = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\)";
inline const std::string DeviceSpecific = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Unimodem\DeviceSpecific\)";
inline const std::string Class = R"(System\CurrentControlSet\Services\Class\)";

// Adds what the lines of a REGEDIT4 export hold (the header line is added):
//   [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort]
//   "Type"=dword:00000001
//   "Driver"="Modem\\0000"
void AddToRegistry(win32sim::Registry& registry, std::string_view lines);

// A machine of one profile that the Win32 calls act on for the object's lifetime.
struct ActiveMachine {
    explicit ActiveMachine(std::string_view profile, std::string_view text = "");

    win32sim::RegKey& Key(std::string_view path) const;  // throws when absent
    bool Exists(std::string_view path) const { return machine.registry.Find(path) != nullptr; }

    win32sim::Machine machine;
    win32sim::MachineScope scope;
};

std::vector<std::string> SubkeyNames(const win32sim::RegKey& key);

using qalm::DetectedMode;
using qalm::RunProgram;

// Every key as its path, every value as path + " > " + name.
std::set<std::string> Contents(const win32sim::Registry& registry);

// What went between before and after: the keys, and the values of keys that stayed.
std::set<std::string> Removed(const std::set<std::string>& before, const win32sim::Registry& after);

// The targets of the calls of one function that succeeded, in order.
std::vector<std::string> Succeeded(const win32sim::Journal& journal, std::string_view call);
size_t CountCalls(const win32sim::Journal& journal, std::string_view call);

// Generous: a watchdog against runs that never end, not a measure of speed.
constexpr unsigned WatchdogSeconds = 10;

}  // namespace programtest

// Runs the statement in a child process under the watchdog, so that a removal
// that repeats without end fails the test instead of hanging the suite.
#define ASSERT_RUNS_TO_THE_END(statement)        \
    ASSERT_EXIT(                                 \
        {                                        \
            alarm(programtest::WatchdogSeconds); \
            statement;                           \
            _exit(0);                            \
        },                                       \
        testing::ExitedWithCode(0), "")
