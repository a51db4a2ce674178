// Removals written into hive files, read back by an independent reader.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "hive_apply.h"
#include "hive_files.h"
#include "preview_test_support.h"
#include "support/hive_fixture.h"

namespace qalm::testing {
namespace {

using offline::ApplyError;
using offline::ApplyHiveChanges;
using offline::ApplyOptions;
using offline::ApplyStep;
using offline::HiveChanges;
using offline::LeftOverFiles;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

// An XP machine's SYSTEM: the modem's service and device in the current
// control set, and the same service in the last known good one.
const std::string kSystemKept = R"([HKEY_LOCAL_MACHINE\SYSTEM\Select]
"Current"=dword:00000001
"LastKnownGood"=dword:00000002

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Enum\PCI\VEN_8086&DEV_7110\3&61AAA01&0&38]
"Service"="isapnp"
"HardwareID"=hex(7):50,00,43,00,49,00,00,00,00,00

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\Serial]
"Start"=dword:00000001
"ImagePath"=hex(2):73,00,79,00,73,00,00,00

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Services\QalmPort]
"Start"=dword:00000003

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet002\Services\QalmPort\Enum]
"Count"=dword:00000001

)";
const std::string kSystemProduct =
    R"([HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\4&2A1B3C4D&0&48F0]
"Service"="QalmPort"
"Driver"="{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000"

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\QalmPort]
"Start"=dword:00000003
"ImagePath"=hex(2):73,00,79,00,73,00,00,00

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\QalmPort\Enum]
"0"="PCI\\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\\4&2A1B3C4D&0&48F0"
"Count"=dword:00000001

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\QalmPort\Parameters]

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\QalmPort\Security]
"Security"=hex:01,00,14,80,90,00,00,00

)";
const std::vector<std::string> kSystemRemovals = {
    "ControlSet001\\Enum\\PCI\\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01", "ControlSet001\\Services\\QalmPort",
    "ControlSet001\\Services\\QalmPort\\Enum",  // inside the one before: already gone with it
};

// SOFTWARE: the modem's uninstall entry, and a value among others.
const std::string kSoftwareKept = R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Other]
"DisplayName"="Other product"

)";
const std::string kSoftwareProduct =
    R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QalmModem]
"DisplayName"="Modem driver"
"UninstallString"="qalmuninst.exe"

)";
const std::string kRunWithTray = R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run]
"Audio"="audio.exe"
"QalmTray"="qalmtray.exe"
"Zip"=hex:01,02,03,04,05,06

)";
const std::string kRunWithoutTray = R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run]
"Audio"="audio.exe"
"Zip"=hex:01,02,03,04,05,06

)";

// A Windows config folder with SYSTEM and SOFTWARE as they are before the run,
// and, each in a folder of its own, what the removals must leave of them.
class OfflineApply : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(folder_.PathOf("config"));
        std::filesystem::create_directory(folder_.PathOf("expected"));
        MakeHive(system_, kSystemPrefix, kHeader + kSystemKept + kSystemProduct);
        MakeHive(software_, kSoftwarePrefix, kHeader + kSoftwareKept + kSoftwareProduct + kRunWithTray);
        MakeHive(folder_.PathOf("expected/SYSTEM"), kSystemPrefix, kHeader + kSystemKept);
        MakeHive(folder_.PathOf("expected/SOFTWARE"), kSoftwarePrefix, kHeader + kSoftwareKept + kRunWithoutTray);
        systemBefore_ = ReadFile(system_);
        softwareBefore_ = ReadFile(software_);
        systemAfter_ = ExportHive(folder_.PathOf("expected/SYSTEM"), kSystemPrefix);
        softwareAfter_ = ExportHive(folder_.PathOf("expected/SOFTWARE"), kSoftwarePrefix);
    }

    std::vector<HiveChanges> Changes() const
    {
        return {{system_, kSystemRemovals, {}},
                {software_,
                 {"Microsoft\\Windows\\CurrentVersion\\Uninstall\\QalmModem"},
                 {{"Microsoft\\Windows\\CurrentVersion\\Run", "QalmTray"}}}};
    }

    std::vector<std::string> ConfigNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.PathOf("config")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void ExpectUnchanged() const
    {
        EXPECT_EQ(ReadFile(system_), systemBefore_);
        EXPECT_EQ(ReadFile(software_), softwareBefore_);
        EXPECT_EQ(ConfigNames(), (std::vector<std::string>{"SOFTWARE", "SYSTEM"}));
    }

    TemporaryFolder folder_;
    const std::string system_ = folder_.PathOf("config/SYSTEM");
    const std::string software_ = folder_.PathOf("config/SOFTWARE");
    std::string systemBefore_, softwareBefore_, systemAfter_, softwareAfter_;
};

TEST_F(OfflineApply, LeavesWhatTheRemovalsPredictAndTheOriginalsAsBackups)
{
    const std::string untouched = folder_.PathOf("config/DEFAULT");
    MakeHive(untouched, "HKEY_USERS\\.DEFAULT", kHeader + "[HKEY_USERS\\.DEFAULT\\Console]\n\"a\"=dword:1\n\n");
    const std::string untouchedBefore = ReadFile(untouched);
    std::vector<HiveChanges> changes = Changes();
    changes.push_back({untouched, {}, {}});

    const auto applied = ApplyHiveChanges(changes);

    ASSERT_EQ(applied.size(), 2u);
    EXPECT_EQ(applied[0].file, system_);
    EXPECT_EQ(applied[0].backup, system_ + ".qalm-backup");
    EXPECT_EQ(applied[1].backup, software_ + ".qalm-backup");
    EXPECT_EQ(ExportHive(system_, kSystemPrefix), systemAfter_);
    EXPECT_EQ(ExportHive(software_, kSoftwarePrefix), softwareAfter_);
    EXPECT_EQ(ReadFile(applied[0].backup), systemBefore_);
    EXPECT_EQ(ReadFile(applied[1].backup), softwareBefore_);
    EXPECT_EQ(ReadFile(untouched), untouchedBefore);
    EXPECT_EQ(ConfigNames(), (std::vector<std::string>{"DEFAULT", "SOFTWARE", "SOFTWARE.qalm-backup", "SYSTEM",
                                                       "SYSTEM.qalm-backup"}));

    // A second apply keeps its backup beside the first, which stays as it was.
    const std::string systemApplied = ReadFile(system_);
    const auto again = ApplyHiveChanges({{system_, {"ControlSet002\\Services\\QalmPort"}, {}}});
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].backup, system_ + ".qalm-backup-2");
    EXPECT_EQ(ReadFile(again[0].backup), systemApplied);
    EXPECT_EQ(ReadFile(system_ + ".qalm-backup"), systemBefore_);
    EXPECT_EQ(ExportHive(system_, kSystemPrefix).find("ControlSet002\\Services\\QalmPort"), std::string::npos);
}

struct DirtyHive {
    const char* how;
    size_t offset;
    bool fixChecksum;
    const char* message;
};

TEST_F(OfflineApply, RefusesADirtyHiveAndWritesNoHive)
{
    for (const DirtyHive& dirty : {DirtyHive{"second sequence number ahead", 8, true, "two sequence numbers differ"},
                                   DirtyHive{"bad checksum", 0x30, false, "checksum"}}) {
        SCOPED_TRACE(dirty.how);
        SetBaseBlockDword(software_, dirty.offset, BaseBlockDword(software_, dirty.offset) + 1, dirty.fixChecksum);
        softwareBefore_ = ReadFile(software_);
        try {
            ApplyHiveChanges(Changes());
            ADD_FAILURE() << "applied to a dirty hive";
        } catch (const ApplyError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(software_ + " is not clean"), std::string::npos) << message;
            EXPECT_NE(message.find(dirty.message), std::string::npos) << message;
            EXPECT_NE(message.find("Starting that Windows once"), std::string::npos) << message;
        }
        ExpectUnchanged();
        MakeHive(software_, kSoftwarePrefix, kHeader + kSoftwareKept + kSoftwareProduct + kRunWithTray);
        softwareBefore_ = ReadFile(software_);
    }
}

TEST_F(OfflineApply, RefusesAProductKeyUnderAnIndexOnlyListAndWritesNoHive)
{
    ListSubkeysByIndexOnly(system_, "ControlSet001\\Services");
    systemBefore_ = ReadFile(system_);
    try {
        ApplyHiveChanges(Changes());
        ADD_FAILURE() << "applied under an li list";
    } catch (const ApplyError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(system_ + ": cannot delete the key ControlSet001\\Services\\QalmPort"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("Nothing was written"), std::string::npos) << message;
    }
    ExpectUnchanged();
}

TEST_F(OfflineApply, RefusesToRewriteValuesBesideOneStoredInPiecesAndWritesNoHive)
{
    // Data this long is stored in pieces from XP on, which libhivex does not write.
    std::string big = "\"Big\"=hex:00";
    for (int i = 1; i < 20000; ++i)
        big += ",00";
    MakeHive(
        software_, kSoftwarePrefix,
        kHeader + kSoftwareKept + kSoftwareProduct + kRunWithTray.substr(0, kRunWithTray.size() - 1) + big + "\n\n");
    softwareBefore_ = ReadFile(software_);
    try {
        ApplyHiveChanges(Changes());
        ADD_FAILURE() << "rewrote a value stored in pieces";
    } catch (const ApplyError& error) {
        const std::string message = error.what();
        EXPECT_NE(
            message.find(software_ + ": cannot remove a value from the key Microsoft\\Windows\\CurrentVersion\\Run"),
            std::string::npos)
            << message;
        EXPECT_NE(message.find("\"Big\" holds 20000 bytes"), std::string::npos) << message;
    }
    ExpectUnchanged();
}

TEST_F(OfflineApply, AFailureWhileReplacingPutsEveryOriginalBack)
{
    // As if the second rename failed: the first hive is replaced, both backups kept.
    ApplyOptions options;
    options.afterStep = [&](ApplyStep step, const std::string& file) {
        if (step == ApplyStep::Replaced && file == system_)
            throw ApplyError("cannot rename " + software_);
    };
    try {
        ApplyHiveChanges(Changes(), options);
        ADD_FAILURE() << "no failure";
    } catch (const ApplyError& error) {
        EXPECT_EQ(std::string(error.what()), "cannot rename " + software_ + ". Nothing was changed.");
    }
    ExpectUnchanged();
}

// Applies in a child process that sends itself signal after its step-th durable
// step (counting from 0), and returns how that child ended.
int ApplyStoppedAfterStep(const std::vector<HiveChanges>& changes, int step, int signal)
{
    const pid_t child = fork();
    if (child == 0) {
        int steps = 0;
        ApplyOptions options;
        options.afterStep = [&](ApplyStep, const std::string&) {
            if (steps++ == step)
                raise(signal);
        };
        try {
            ApplyHiveChanges(changes, options);
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST_F(OfflineApply, AKilledApplyLeavesEachHiveAsItWasOrFullyAppliedWithItsBackup)
{
    // Two hives: each Verified, then each BackupKept, then each Replaced.
    for (int step = 0; step < 6; ++step) {
        SCOPED_TRACE("killed after step " + std::to_string(step));
        const int status = ApplyStoppedAfterStep(Changes(), step, SIGKILL);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;

        const bool systemApplied = ReadFile(system_) != systemBefore_;
        const bool softwareApplied = ReadFile(software_) != softwareBefore_;
        if (systemApplied) {
            EXPECT_EQ(ExportHive(system_, kSystemPrefix), systemAfter_);
            EXPECT_EQ(ReadFile(system_ + ".qalm-backup"), systemBefore_);
        }
        if (softwareApplied) {
            EXPECT_EQ(ExportHive(software_, kSoftwarePrefix), softwareAfter_);
            EXPECT_EQ(ReadFile(software_ + ".qalm-backup"), softwareBefore_);
        }
        EXPECT_EQ(systemApplied, step >= 4);
        EXPECT_EQ(softwareApplied, step >= 5);
        for (const std::string& name : ConfigNames()) {
            if (name.find(".qalm-backup") == std::string::npos)
                continue;
            const std::string& original = name.rfind("SYSTEM", 0) == 0 ? systemBefore_ : softwareBefore_;
            EXPECT_EQ(ReadFile(folder_.PathOf("config/" + name)), original) << name;
        }

        // The files the kill left beside the hives, and only they, are those
        // LeftOverFiles finds: a new file until its hive is replaced.
        std::vector<std::string> leftOver = LeftOverFiles(system_);
        for (const std::string& path : LeftOverFiles(software_))
            leftOver.push_back(path);
        std::vector<std::string> strays;
        for (const std::string& name : ConfigNames()) {
            if (name != "SYSTEM" && name != "SOFTWARE" && name.find(".qalm-backup") == std::string::npos)
                strays.push_back(folder_.PathOf("config/" + name));
        }
        std::sort(leftOver.begin(), leftOver.end());
        EXPECT_EQ(leftOver, strays);
        EXPECT_EQ(leftOver.size(), static_cast<size_t>(step == 0 || step == 4 ? 1 : step == 5 ? 0 : 2));

        // Back to the start for the next step.
        for (const std::string& name : ConfigNames())
            std::filesystem::remove(folder_.PathOf("config/" + name));
        MakeHive(system_, kSystemPrefix, kHeader + kSystemKept + kSystemProduct);
        MakeHive(software_, kSoftwarePrefix, kHeader + kSoftwareKept + kSoftwareProduct + kRunWithTray);
        ASSERT_EQ(ReadFile(system_), systemBefore_);
        ASSERT_EQ(ReadFile(software_), softwareBefore_);
    }
}

TEST_F(OfflineApply, CtrlCBeforeTheRenamesStopsWithNothingWrittenAndAfterThemFinishes)
{
    int status = ApplyStoppedAfterStep(Changes(), 0, SIGINT);  // the first hive verified
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
    ExpectUnchanged();

    status = ApplyStoppedAfterStep(Changes(), 2, SIGINT);  // the first backup kept
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
    EXPECT_EQ(ExportHive(system_, kSystemPrefix), systemAfter_);
    EXPECT_EQ(ExportHive(software_, kSoftwarePrefix), softwareAfter_);
    EXPECT_EQ(ConfigNames(),
              (std::vector<std::string>{"SOFTWARE", "SOFTWARE.qalm-backup", "SYSTEM", "SYSTEM.qalm-backup"}));
}

}  // namespace
}  // namespace qalm::testing
