#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace win32sim;
using simtest::ActiveMachine;

struct ProfileCase {
    const char* name;
    DWORD platformId;
    DWORD major;
    DWORD minor;
};

// Test names and failure messages show the profile, not the bytes.
void PrintTo(const ProfileCase& value, std::ostream* out) { *out << value.name; }

class Profiles : public testing::TestWithParam<ProfileCase> {};

TEST_P(Profiles, GetVersionExAReportsTheProfilesVersion)
{
    const ProfileCase& expected = GetParam();
    ActiveMachine on(expected.name);
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, expected.platformId);
    EXPECT_EQ(info.dwMajorVersion, expected.major);
    EXPECT_EQ(info.dwMinorVersion, expected.minor);
}

INSTANTIATE_TEST_SUITE_P(Named, Profiles,
                         testing::Values(ProfileCase{"win31", 0, 3, 10}, ProfileCase{"win95", 1, 4, 0},
                                         ProfileCase{"win98", 1, 4, 10}, ProfileCase{"winme", 1, 4, 90},
                                         ProfileCase{"nt351", 2, 3, 51}, ProfileCase{"nt40", 2, 4, 0},
                                         ProfileCase{"win2k", 2, 5, 0}, ProfileCase{"winxp", 2, 5, 1},
                                         ProfileCase{"win2003", 2, 5, 2}, ProfileCase{"vista", 2, 6, 0},
                                         ProfileCase{"win7", 2, 6, 1}, ProfileCase{"win10", 2, 10, 0},
                                         ProfileCase{"3.4.0", 3, 4, 0}, ProfileCase{"2.7.12", 2, 7, 12}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 c = (c == '.') ? '_' : c;
                             return name;
                         });

TEST(Platforms, EveryNamedProfileIsFoundByName)
{
    EXPECT_EQ(KnownPlatforms().size(), 15u);
    for (const Platform& platform : KnownPlatforms())
        EXPECT_EQ(FindPlatform(platform.name)->name, platform.name);
    EXPECT_EQ(FindPlatform("WinXP")->majorVersion, 5u);
}

TEST(Platforms, OnlyThreeDecimalNumbersMakeAProfile)
{
    for (const char* name :
         {"", "2.6", "2.6.", ".6.1", "2.6.1.0", "x.6.1", "-1.2.3", "2.6.1x", "4294967296.0.0", "winnt"})
        EXPECT_FALSE(FindPlatform(name).has_value()) << name;
    EXPECT_EQ(FindPlatform("4294967295.0.0")->platformId, 4294967295u);
}

TEST(VersionQuery, FailsAndFillsNothingUnlessTheSizeIsTheRecords)
{
    ActiveMachine on("winxp");
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info) + 8;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(info.dwPlatformId, 0u);
    EXPECT_EQ(info.dwMajorVersion, 0u);
}

TEST(VersionQuery, TheFailProfileFailsWhateverTheSize)
{
    ActiveMachine on("fail");
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, 0u);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST(Focus, NoWindowOfTheProgramHasIt)
{
    ActiveMachine on("winxp");
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(on.machine.journal.Calls(), std::vector<std::string>{"GetFocus"});
}
