#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform_mode.h"
#include "program_test_support.h"
#include "run/preview.h"

using namespace programtest;

namespace {

const std::string Uninstall32 = R"(SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\)";

// 64-bit XP with the modem installed: the devices and the service, and
// uninstall entries in both registry views, each beside one of another product.
const char* const Xp64Machine = R"reg(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\4&1f7dbc9f&0&48f0]
"ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}"
"Driver"="{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_03\4&2a11c0de&0&68f0]
"ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-E325-11CE-BFC1-08002BE10318}\0000]
"DriverDesc"="VQR VX36TKR-LB Data Fax Modem"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort]
"Type"=dword:00000001
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\04]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM]
"DisplayName"="VQR VX36TKR-LB Data Fax Modem (64-bit)"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp]
[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM]
"DisplayName"="VQR VX36TKR-LB Data Fax Modem"
[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM\Support]
[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\OtherApp])reg";

const Targets Devices = {R"(PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\4&1f7dbc9f&0&48f0)",
                         R"(PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_03\4&2a11c0de&0&68f0)"};

std::vector<std::string> Paths(const std::vector<qalm::KeySubtree>& subtrees)
{
    std::vector<std::string> paths;
    for (const qalm::KeySubtree& subtree : subtrees)
        paths.push_back(subtree.path);
    return paths;
}

std::vector<std::string> Results(const std::vector<qalm::PlatformRequest>& requests)
{
    std::vector<std::string> results;
    for (const qalm::PlatformRequest& request : requests)
        results.push_back(request.call + " " + std::to_string(request.result));
    return results;
}

struct Xp64 : testing::TestWithParam<const char*> {
    Xp64() : machine(win32sim::FindPlatform(GetParam()).value()) { AddToRegistry(machine.registry, Xp64Machine); }

    win32sim::Machine machine;
};

TEST_P(Xp64, TheTwinRemovesTheDevicesAndItsViewsEntriesThenTheProgramItsOwn)
{
    // Before the run the check lists both views, the 32-bit one where 64-bit Windows keeps it.
    EXPECT_EQ(
        qalm::RunCheck(machine, MODE_NT5).lines,
        (std::vector<std::string>{
            R"(present instances 1 HKLM\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01 (each run removes one))",
            R"(present instances 1 HKLM\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_03 (each run removes one))",
            "present key HKLM\\" + Uninstall + "VQRMDM", "present key HKLM\\" + Uninstall32 + "VQRMDM",
            "present key HKLM\\" + Uninstall32 + "HZUMDM", "present key HKLM\\" + Services + "QalmPort",
            "result: run again (6 present, the next run removes 6)"}));

    qalm::PlaceNativeTwin(machine, true);
    const qalm::PreviewResult result = qalm::RunPreview(machine, {"xp64"});

    ASSERT_TRUE(result.handover.has_value());
    EXPECT_EQ(
        result.handover->start.ToString(),
        R"(CreateProcessA("C:\Program Files\Tools\qalm-uninstall64.exe", ""C:\Program Files\Tools\qalm-uninstall64.exe"", NULL, NULL, 0, 0x8000000, NULL, NULL, {cb )" +
            std::to_string(sizeof(STARTUPINFOA)) +
            R"(, flags 0x1, show 0}) = 0 -> process1, thread1 [C:\Program Files\Tools\qalm-uninstall64.exe])");
    ASSERT_TRUE(result.handover->twin.has_value());
    const qalm::TwinRun& twin = *result.handover->twin;
    EXPECT_EQ(twin.exitCode, 18);
    EXPECT_EQ(machine.RemovedDeviceIds(), Devices);
    EXPECT_EQ(Paths(twin.changes.removedKeys),
              (Targets{Uninstall + "VQRMDM",
                       R"(SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-E325-11CE-BFC1-08002BE10318}\0000)",
                       Pci + "VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01",
                       Pci + "VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_03", Services + "QalmPort"}));

    // The program's own run finds no device left and its own view's entries.
    EXPECT_TRUE(result.deviceInstallerRequests.empty());
    EXPECT_EQ(Paths(result.changes.removedKeys), (Targets{Uninstall32 + "HZUMDM", Uninstall32 + "VQRMDM"}));
    EXPECT_EQ(result.stillPresent.lines, std::vector<std::string>{"result: clean"});
    EXPECT_EQ(result.stillPresent.exitCode, 0);
    EXPECT_EQ(result.run.exitCode, 18);
    EXPECT_TRUE(machine.registry.Find(Uninstall + "OtherApp") && machine.registry.Find(Uninstall32 + "OtherApp"));
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

TEST_P(Xp64, WithoutTheTwinTheDevicesAndTheOtherViewsEntryStayAndTheCheckSaysSo)
{
    qalm::PlaceNativeTwin(machine, false);
    const qalm::PreviewResult result = qalm::RunPreview(machine, {"xp64"});

    ASSERT_TRUE(result.handover.has_value());
    EXPECT_EQ(result.handover->start.result, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(result.handover->twin.has_value());
    // Each device is handed over and refused: the class installer runs for 64-bit callers only.
    EXPECT_EQ(Results(result.deviceInstallerRequests),
              (std::vector<std::string>{"SetupDiOpenDeviceInfoA 0", "SetupDiCallClassInstaller 3758096949",
                                        "SetupDiOpenDeviceInfoA 0", "SetupDiCallClassInstaller 3758096949"}));
    EXPECT_TRUE(machine.RemovedDeviceIds().empty());
    EXPECT_EQ(Paths(result.changes.removedKeys),
              (Targets{Uninstall32 + "HZUMDM", Uninstall32 + "VQRMDM", Services + "QalmPort"}));
    EXPECT_EQ(
        result.stillPresent.lines,
        (std::vector<std::string>{
            R"(present instances 1 HKLM\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01 (each run removes one))",
            R"(present instances 1 HKLM\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_03 (each run removes one))",
            R"(present key HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM)",
            "result: run again (3 present, the next run removes 3)"}));
    EXPECT_EQ(result.stillPresent.exitCode, 1);
    EXPECT_EQ(result.run.exitCode, 18);
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

// The program's path, or the twin's beside it, one character too long for
// MAX_PATH: XP cuts the first short without a terminator. Neither is used.
TEST_P(Xp64, APathThatDoesNotFitStartsNothing)
{
    qalm::PlaceNativeTwin(machine, true);
    const size_t twinFits = MAX_PATH - 1 - (1 + std::string(qalm::kNativeTwinName).size());
    for (size_t folderLength : {twinFits + 1, size_t{MAX_PATH}}) {
        machine.programFolder.path = "C:\\" + std::string(folderLength - 3, 'f');
        machine.journal.Clear();
        EXPECT_EQ(RunProgram(machine).exitCode, 18);
        EXPECT_EQ(CountCalls(machine.journal, "GetModuleFileNameA"), 1u);
        EXPECT_EQ(CountCalls(machine.journal, "CreateProcessA"), 0u) << folderLength;
    }
    EXPECT_TRUE(machine.RemovedDeviceIds().empty());
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

// A copy of the 32-bit program under the twin's name would start itself
// without end; it runs its own sequence alone.
TEST_P(Xp64, AProgramOfTheTwinsNameStartsNothing)
{
    qalm::PlaceNativeTwin(machine, true);
    win32sim::MachineScope scope(machine);
    machine.programFolder.runningProgram = "QALM-Uninstall64.EXE";
    int starts = 0;
    machine.programImages[qalm::kNativeTwinName] = win32sim::ProgramImage{32, [&starts] { return ++starts; }};
    static char commandLine[] = "";
    EXPECT_EQ(WinMain(nullptr, nullptr, commandLine, 0), 18);
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(CountCalls(machine.journal, "CreateProcessA"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Profiles, Xp64, testing::Values("winxp64", "win2003x64"));

}  // namespace
