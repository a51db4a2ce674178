// Runs the apply's scenarios on a file system without hard links, as FAT is:
// link() answers EPERM here, so every backup is a copy.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "hive_apply.h"
#include "preview_test_support.h"
#include "support/hive_fixture.h"

namespace {

std::atomic<int> linkCalls{0};

}  // namespace

int link(const char*, const char*) noexcept
{
    ++linkCalls;
    errno = EPERM;
    return -1;
}

namespace qalm::testing {
namespace {

TEST(WithoutHardLinks, TheBackupIsACopyOfTheOriginal)
{
    TemporaryFolder folder;
    const std::string hive = folder.PathOf("SYSTEM");
    MakeHive(hive, kSystemPrefix,
             "Windows Registry Editor Version 5.00\n\n"
             "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\QalmPort\\Enum]\n\"Count\"=dword:00000001\n\n"
             "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\Serial]\n\"Start\"=dword:00000001\n\n");
    const std::string before = ReadFile(hive);

    const auto applied = offline::ApplyHiveChanges({{hive, {"ControlSet001\\Services\\QalmPort"}, {}}});

    EXPECT_GT(linkCalls, 0) << "the file system's answer was not simulated";
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(ReadFile(applied[0].backup), before);
    EXPECT_EQ(ExportHive(hive, kSystemPrefix).find("QalmPort"), std::string::npos);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"SYSTEM", "SYSTEM.qalm-backup"}));
}

}  // namespace
}  // namespace qalm::testing
