// qalm-check's routine on machines written as .reg text: the lines it writes
// and its exit code, on each platform family and for each kind of item.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regfile/machine_loader.h"
#include "run/check_runner.h"
#include "run/program_runner.h"
#include "win32sim/machine.h"

namespace {

// A key the test makes the platform refuse, as a locked key on a real machine.
struct Fault {
    std::string path;
    REGSAM refusedAccess;
};

struct CheckCase {
    const char* title;
    const char* profile;
    std::string machine;  // the lines of a REGEDIT4 export
    std::vector<Fault> faults;
    std::vector<std::string> lines;
    int exitCode;
};

void PrintTo(const CheckCase& value, std::ostream* out) { *out << value.title; }

class CheckOnAMachine : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckOnAMachine, WritesItsLinesAndAnswersItsExitCode)
{
    const CheckCase& c = GetParam();
    win32sim::Machine machine(*win32sim::FindPlatform(c.profile));
    qalm::LoadRegText("REGEDIT4\n" + c.machine, c.title, machine.registry);
    for (const Fault& fault : c.faults)
        machine.registry.Find(fault.path)->refusedAccess = fault.refusedAccess;

    const qalm::CheckRun run = qalm::RunCheck(machine, qalm::DetectedMode(machine));
    EXPECT_EQ(run.lines, c.lines);
    EXPECT_EQ(run.exitCode, c.exitCode);
}

const std::string Pci = R"(SYSTEM\CurrentControlSet\Enum\PCI\)";
const std::string Uninstall = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\)";
const std::string Modem = R"(VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01)";

// The same product on every NT platform: what each version's run removes differs.
const std::string InstalledNt = "[HKEY_LOCAL_MACHINE\\" + Pci + Modem +
                                "\\4&1f7dbc9f&0&48f0]\n"
                                "[HKEY_LOCAL_MACHINE\\" +
                                Uninstall +
                                "VQRMDM]\n"
                                "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Parameters]\n";

INSTANTIATE_TEST_SUITE_P(
    Machines, CheckOnAMachine,
    ::testing::Values(
        CheckCase{"clean", "winxp", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n", {}, {"result: clean"}, 0},
        CheckCase{"present on NT 4",
                  "nt40",
                  InstalledNt + "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\UNIMODEM1B2C4F10\\0000]\n"
                                "\"ClassGUID\"=\"{4D36E96D-E325-11CE-BFC1-08002BE10318}\"\n"
                                "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\UNIMODEM0A7E9C33\\0000]\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VQR\\Modem]\n"
                                "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n\"QalmPort1\"=\"COM3\"\n",
                  {},
                  {"present instances 1 HKLM\\SYSTEM\\CurrentControlSet\\Enum\\Root\\UNIMODEM1B2C4F10 (each run "
                   "removes one)",
                   "present key HKLM\\SOFTWARE\\VQR", "present key HKLM\\" + Uninstall + "VQRMDM",
                   "present value HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM\\QalmPort1",
                   "present key HKLM\\SYSTEM\\CurrentControlSet\\Services\\QalmPort",
                   "result: run again (5 present, the next run removes 5)"},
                  1},
        CheckCase{"run again for the second instance",
                  "winxp",
                  "[HKEY_LOCAL_MACHINE\\" + Pci + Modem + "\\4&1f7dbc9f&0&48f0]\n" + "[HKEY_LOCAL_MACHINE\\" + Pci +
                      Modem + "\\4&1f7dbc9f&0&50f0]\n",
                  {},
                  {"present instances 2 HKLM\\" + Pci + Modem + " (each run removes one)",
                   "result: run again (1 present, the next run removes 1)"},
                  1},
        CheckCase{"stays",
                  "nt40",
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VQR\\Modem]\n"
                  "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n\"QalmPort1\"=\"" +
                      std::string(300, 'x') + "\"\n",
                  {{"SOFTWARE\\VQR\\Modem", DELETE}},
                  {"stays key HKLM\\SOFTWARE\\VQR (it may not be deleted: no run removes it)",
                   "stays value HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM\\QalmPort1 (too large for the uninstaller: no "
                   "run removes it)",
                   "result: stays (2 present, 2 left that no run removes)"},
                  1},
        CheckCase{"unreadable",
                  "winxp",
                  InstalledNt + "[HKEY_LOCAL_MACHINE\\" + Uninstall + "HZUMDM\\Locked]\n" + "[HKEY_LOCAL_MACHINE\\" +
                      Pci + "VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_03\\4&2a0e1f3&0&60f0]\n",
                  {{Uninstall + "HZUMDM\\Locked", KEY_QUERY_VALUE},
                   {Pci + "VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_03", KEY_ENUMERATE_SUB_KEYS}},
                  {"present instances 1 HKLM\\" + Pci + Modem + " (each run removes one)",
                   "unreadable key HKLM\\" + Pci + "VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_03",
                   "present key HKLM\\" + Uninstall + "VQRMDM", "unreadable key HKLM\\" + Uninstall + "HZUMDM\\Locked",
                   "present key HKLM\\SYSTEM\\CurrentControlSet\\Services\\QalmPort",
                   "result: unknown (2 unreadable; 3 present, the next run removes 3)"},
                  2},
        CheckCase{
            "the 9x enumerators",
            "win98",
            "[HKEY_LOCAL_MACHINE\\Enum\\VQRWDM\\VQRMODEM\\0000]\n\"Driver\"=\"Modem\\\\0001\"\n"
            "[HKEY_LOCAL_MACHINE\\Enum\\OKWAWDM\\OKWAMODEM\\0000]\n\"Driver\"=\"Modem\"\n"
            "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Modem\\0001]\n"
            "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\VQRWDM\\0000]\n"
            "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_5A3E&DEV_3C4B&SUBSYS_3C4B5A3E&REV_01\\BUS_00&DEV_09&FUNC_00]\n"
            "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_01\\BUS_00&DEV_0B&FUNC_00]\n"
            "[HKEY_LOCAL_MACHINE\\Enum\\MF\\CHILD0000\\PCI&VEN_5A3E&DEV_3C4B&SUBSYS_3C4B5A3E&REV_01\\BUS_00]\n",
            {},
            {"present key HKLM\\System\\CurrentControlSet\\Services\\Class\\Modem\\0001",
             "present key HKLM\\Enum\\VQRWDM", "present key HKLM\\System\\CurrentControlSet\\Services\\Class\\VQRWDM",
             "present key HKLM\\Enum\\OKWAWDM", "present key HKLM\\Enum\\PCI\\VEN_5A3E&DEV_3C4B&SUBSYS_3C4B5A3E&REV_01",
             "present key HKLM\\Enum\\MF\\CHILD0000\\PCI&VEN_5A3E&DEV_3C4B&SUBSYS_3C4B5A3E&REV_01",
             "result: run again (6 present, the next run removes 6)"},
            1},
        CheckCase{"NT 6 and later",
                  "win7",
                  InstalledNt,
                  {},
                  {"result: clean (the uninstaller removes nothing on Windows Vista and later)"},
                  0},
        CheckCase{"the version query failing",
                  "fail",
                  InstalledNt,
                  {},
                  {"result: unknown (the Windows version query failed)"},
                  2}),
    [](const ::testing::TestParamInfo<CheckCase>& info) {
        std::string name;
        for (const char* c = info.param.title; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

}  // namespace
