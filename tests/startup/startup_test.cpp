#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/platform_mode.h"
#include "regfile/machine_loader.h"
#include "run/program_runner.h"
#include "win32sim/machine.h"

using namespace win32sim;

namespace {

const char* const UnsupportedMessage = "This program requires WINDOWS 95 or NT";

// Everything the product's installation leaves, on either family.
const char* const InstalledProduct = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&13c0b0c5&0&58]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000]
"ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort]
"Type"=dword:00000001
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Enum]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1\Settings]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\49]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Security]
[HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM]
"QalmPort1"="COM3"
[HKEY_LOCAL_MACHINE\SOFTWARE\VQR\Modem]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Unimodem\DeviceSpecific\VQR VX36TKR-LB Data Fax Modem::VQR Technology, Inc.::VQR]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\HZUMDM]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OKWAMDM]
[HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000]
"Driver"="Modem\\0000"
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_00000000&REV_01\BUS_00&DEV_0B&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\VEN_5A3E&DEV_3C4B]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0000]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\VQRWDM]
)";

void InstallProduct(Registry& registry) { qalm::LoadRegText(InstalledProduct, "installed product", registry); }

struct StartupCase {
    const char* profile;
    int mode;
    bool printsMessage;
};

// Test names and failure messages show the profile, not the bytes.
void PrintTo(const StartupCase& value, std::ostream* out) { *out << value.profile; }

std::string CaseName(const testing::TestParamInfo<StartupCase>& info)
{
    std::string name = info.param.profile;
    for (char& c : name)
        c = (c == '.') ? '_' : c;
    return name;
}

// The platform as the program sees it at start-up, with the product installed.
class Startup : public testing::TestWithParam<StartupCase> {
protected:
    Startup() : machine(FindPlatform(GetParam().profile).value()) { InstallProduct(machine.registry); }

    // Mode, message, exit code, the version query first, every handle closed at the end.
    void CheckClassification()
    {
        const qalm::ProgramRun run = qalm::RunProgram(machine);
        EXPECT_EQ(run.exitCode, 18);
        EXPECT_EQ(run.printed, GetParam().printsMessage ? UnsupportedMessage : "");
        ASSERT_FALSE(machine.journal.Entries().empty());
        EXPECT_EQ(machine.journal.Entries().front().call, "GetVersionExA");
        EXPECT_EQ(machine.journal.Entries().front().arguments, std::vector<std::string>{"148"});
        EXPECT_EQ(machine.OpenHandleCount(), 0u) << machine.journal.ToString();
        EXPECT_EQ(qalm::DetectedMode(machine), GetParam().mode);
    }

    Machine machine;
};

TEST_P(Startup, ClassifiesThePlatformAndExitsWith18) { CheckClassification(); }

INSTANTIATE_TEST_SUITE_P(Profiles, Startup,
                         testing::Values(StartupCase{"win95", MODE_9X, false}, StartupCase{"win98", MODE_9X, false},
                                         StartupCase{"winme", MODE_9X, false}, StartupCase{"nt351", MODE_NT4, false},
                                         StartupCase{"nt40", MODE_NT4, false}, StartupCase{"win2k", MODE_NT5, false},
                                         StartupCase{"winxp", MODE_NT5, false}, StartupCase{"win2003", MODE_NT5, false},
                                         // Versions no profile names: the id decides, then the major version alone.
                                         StartupCase{"1.5.0", MODE_9X, false}, StartupCase{"2.0.0", MODE_NT4, false},
                                         StartupCase{"2.5.99", MODE_NT5, false}),
                         CaseName);

// The platforms where the program removes nothing.
class QuietStartup : public Startup {};

TEST_P(QuietStartup, ClassifiesThePlatformAndExitsWith18) { CheckClassification(); }

TEST_P(QuietStartup, MakesTheVersionQueryAndWritesTheMessageAtMost)
{
    std::string before = machine.registry.Dump();
    qalm::RunProgram(machine);
    EXPECT_EQ(machine.registry.Dump(), before);
    const std::vector<std::string> expected =
        GetParam().printsMessage ? std::vector<std::string>{"GetVersionExA", "GetStdHandle", "WriteFile"}
                                 : std::vector<std::string>{"GetVersionExA"};
    EXPECT_EQ(machine.journal.Calls(), expected) << machine.journal.ToString();
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, QuietStartup,
    testing::Values(StartupCase{"win31", MODE_UNSUPPORTED, true}, StartupCase{"vista", MODE_NONE, false},
                    StartupCase{"win7", MODE_NONE, false}, StartupCase{"win10", MODE_NONE, false},
                    StartupCase{"fail", MODE_NONE, false}, StartupCase{"0.4.0", MODE_UNSUPPORTED, true},
                    StartupCase{"3.4.0", MODE_UNSUPPORTED, true}, StartupCase{"4294967295.5.0", MODE_UNSUPPORTED, true},
                    StartupCase{"2.6.0", MODE_NONE, false}, StartupCase{"2.4294967295.0", MODE_NONE, false}),
    CaseName);

TEST(StartupJournal, Win31ShowsTheVersionQueryAndTheMessageWrittenToStandardOutput)
{
    Machine machine(FindPlatform("win31").value());
    EXPECT_EQ(qalm::RunProgram(machine).printed, UnsupportedMessage);
    EXPECT_EQ(machine.journal.ToString(),
              "GetVersionExA(148) = 0 -> 0.3.10\n"
              "GetStdHandle(-11) = 0 -> stdout\n"
              "WriteFile(stdout, \"This program requires WINDOWS 95 or NT\", 38, NULL) = 0 -> 38\n");
}

TEST(StartupJournal, AFailedVersionQueryLeavesTheModeUnsetAndChangesNothing)
{
    Machine machine(FindPlatform("fail").value());
    InstallProduct(machine.registry);
    std::string before = machine.registry.Dump();
    const qalm::ProgramRun run = qalm::RunProgram(machine);
    EXPECT_EQ(run.exitCode, 18);
    EXPECT_EQ(run.printed, "");
    ASSERT_EQ(machine.journal.Entries().size(), 1u);
    EXPECT_NE(machine.journal.Entries()[0].result, ERROR_SUCCESS);
    EXPECT_EQ(machine.registry.Dump(), before);
    EXPECT_EQ(qalm::DetectedMode(machine), MODE_NONE);
}

}  // namespace
