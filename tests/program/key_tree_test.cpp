#include <gtest/gtest.h>

#include <windows.h>

#include "program_test_support.h"
#include "registry/key_tree.h"

using programtest::ActiveMachine;
using programtest::Country;
using programtest::Succeeded;

namespace {

TEST(DeleteKeyTree, DeletesALeafKey)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR]
        "Version"="2.1")");
    EXPECT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, R"(SOFTWARE\VQR)"));
    EXPECT_FALSE(m.Exists(R"(SOFTWARE\VQR)"));
    EXPECT_TRUE(m.Exists("SOFTWARE"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(DeleteKeyTree, DeletesEveryDescendantDeepestFirstThenTheKey)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\A\A1]
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\A\A2\Deep]
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\B]
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQRX])");
    EXPECT_TRUE(DeleteKeyTree(HKEY_LOCAL_MACHINE, R"(SOFTWARE\VQR)"));
    EXPECT_EQ(Succeeded(m.machine.journal, "RegDeleteKeyA"),
              (std::vector<std::string>{R"(SOFTWARE\VQR\A\A1)", R"(SOFTWARE\VQR\A\A2\Deep)", R"(SOFTWARE\VQR\A\A2)",
                                        R"(SOFTWARE\VQR\A)", R"(SOFTWARE\VQR\B)", R"(SOFTWARE\VQR)"}));
    EXPECT_TRUE(m.Exists(R"(SOFTWARE\VQRX)"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(DeleteKeyTree, LeavesAMissingKeyAloneAfterOneOpen)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQRX])");
    EXPECT_FALSE(DeleteKeyTree(HKEY_LOCAL_MACHINE, R"(SOFTWARE\VQR)"));
    EXPECT_EQ(m.machine.journal.Calls(), std::vector<std::string>{"RegOpenKeyExA"});
}

TEST(DeleteKeyTree, StepsOverAChildItCannotOpenAndRemovesEverySibling)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\A]
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\Locked\Inner]
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\Z])");
    m.Key(R"(SOFTWARE\VQR\Locked)").refusedAccess = DELETE;
    ASSERT_RUNS_TO_THE_END(DeleteKeyTree(HKEY_LOCAL_MACHINE, R"(SOFTWARE\VQR)"));

    EXPECT_FALSE(DeleteKeyTree(HKEY_LOCAL_MACHINE, R"(SOFTWARE\VQR)"));
    EXPECT_FALSE(m.Exists(R"(SOFTWARE\VQR\A)"));
    EXPECT_FALSE(m.Exists(R"(SOFTWARE\VQR\Z)"));
    EXPECT_TRUE(m.Exists(R"(SOFTWARE\VQR\Locked\Inner)"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(DeleteKeyTree, KeepsTheAncestorsOfAGrandchildThatRefusesDeletion)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\A\Stuck]
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\A\Free]
        [HKEY_LOCAL_MACHINE\SOFTWARE\VQR\B])");
    m.Key(R"(SOFTWARE\VQR\A\Stuck)").refusesDeletion = true;
    ASSERT_RUNS_TO_THE_END(DeleteKeyTree(HKEY_LOCAL_MACHINE, R"(SOFTWARE\VQR)"));

    EXPECT_FALSE(DeleteKeyTree(HKEY_LOCAL_MACHINE, R"(SOFTWARE\VQR)"));
    EXPECT_TRUE(m.Exists(R"(SOFTWARE\VQR\A\Stuck)"));
    EXPECT_FALSE(m.Exists(R"(SOFTWARE\VQR\A\Free)"));
    EXPECT_FALSE(m.Exists(R"(SOFTWARE\VQR\B)"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ClearChildKeys, EmptiesTheCountryKeyAndKeepsIt)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1\Dial]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\33]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\44]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\49\Dial]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\81])");
    ClearChildKeys(HKEY_LOCAL_MACHINE, Country.c_str());
    EXPECT_EQ(m.Key(Country).SubkeyCount(), 0u);
    // Children are named by appending to the path that already ends in a backslash.
    EXPECT_EQ(m.machine.journal.Find("RegOpenKeyExA")[1].arguments[1],
              R"("SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1")");
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ClearChildKeys, StepsOverAChildThatStaysAndClearsTheRest)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\1]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\33]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort\Parameters\QalmPort1\Country\44])");
    m.Key(Country + "33").refusesDeletion = true;
    ASSERT_RUNS_TO_THE_END(ClearChildKeys(HKEY_LOCAL_MACHINE, Country.c_str()));

    ClearChildKeys(HKEY_LOCAL_MACHINE, Country.c_str());
    EXPECT_EQ(m.Key(Country).SubkeyCount(), 1u);
    EXPECT_TRUE(m.Exists(Country + "33"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ClearChildKeys, SkipsAChildWhosePathDoesNotFitAndClearsTheRest)
{
    // 357 characters of parent path leave room for a short child name, not a long one.
    const std::string parent = std::string(255, 'P') + "\\" + std::string(100, 'Q') + "\\";
    const std::string longChild = std::string(255, 'L');
    ActiveMachine m("winxp");
    m.machine.registry.Create(parent + "A");
    m.machine.registry.Create(parent + longChild);
    m.machine.registry.Create(parent + "Z");
    ASSERT_RUNS_TO_THE_END(ClearChildKeys(HKEY_LOCAL_MACHINE, parent.c_str()));

    ClearChildKeys(HKEY_LOCAL_MACHINE, parent.c_str());
    EXPECT_EQ(m.Key(parent).SubkeyCount(), 1u);
    EXPECT_TRUE(m.Exists(parent + longChild));
    // Nothing was tried under a path cut short.
    for (const win32sim::JournalEntry& open : m.machine.journal.Find("RegOpenKeyExA"))
        EXPECT_LT(open.target.size(), parent.size() + 2) << open.ToString();
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ClearChildKeys, DoesNothingWithoutTheKey)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QalmPort])");
    ClearChildKeys(HKEY_LOCAL_MACHINE, Country.c_str());
    EXPECT_EQ(m.machine.journal.Calls(), std::vector<std::string>{"RegOpenKeyExA"});
}

}  // namespace
