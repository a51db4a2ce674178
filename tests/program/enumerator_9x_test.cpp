#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "program_test_support.h"
#include "sequences/sequences.h"

using programtest::ActiveMachine;
using programtest::Class;
using programtest::Succeeded;

namespace {

using Keys = std::vector<std::string>;

// The rest of a 98 machine with the product: its class entries, PCI and
// multifunction keys, and what must stay beside them.
const char* const Win98Tree = R"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0000]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0001]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\Modem\0002]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\VQRWDM\0000]
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\0000]
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\BUS_00&DEV_0B&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_01\BUS_00&DEV_0C&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\BUS_00&DEV_0D&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_00000000&REV_01\BUS_00&DEV_0E&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\PCI\VEN_8086&DEV_7190&SUBSYS_00000000&REV_03\BUS_00&DEV_00&FUNC_00]
[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\VEN_5A3E&DEV_3C4B]
[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0000\VEN_5A3E&DEV_3C10]
[HKEY_LOCAL_MACHINE\Enum\MF\CHILD0001\VEN_5A3E&DEV_3C4B])";

struct Win98Machine : ActiveMachine {
    explicit Win98Machine(const char* enumerator) : ActiveMachine("win98", Win98Tree)
    {
        programtest::AddToRegistry(machine.registry, enumerator);
    }

    // Keys under Class that the cleanup asked to delete.
    Keys ClassDeletions() const
    {
        Keys out;
        for (const win32sim::JournalEntry& entry : machine.journal.Find("RegDeleteKeyA")) {
            if (entry.target.rfind(Class, 0) == 0)
                out.push_back(entry.target.substr(Class.size()));
        }
        return out;
    }
};

TEST(CleanEnumerator9x, RemovesTheDriverSettingsNamedByTheFirstInstanceAndKeepsTheClassKey)
{
    Win98Machine m(R"(
        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000]
        "Driver"="Modem\\0001"
        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0001]
        "Driver"="Modem\\0002"
        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0001\0000]
        "Driver"="Modem\\0000")");
    CleanEnumerator9x("VQRWDM");

    EXPECT_EQ(m.ClassDeletions(), (Keys{R"(Modem\0001)", "VQRWDM"}));
    EXPECT_TRUE(m.Exists(Class + R"(Modem\0000)"));
    EXPECT_TRUE(m.Exists(Class + R"(Modem\0002)"));
    EXPECT_FALSE(m.Exists(Class + R"(Modem\0001)"));
    EXPECT_FALSE(m.Exists(R"(Enum\VQRWDM)"));
    EXPECT_FALSE(m.Exists(Class + "VQRWDM"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(CleanEnumerator9x, DeletesTheProductsPciAndMultifunctionKeysAndKeepsTheOthers)
{
    Win98Machine m("");
    CleanEnumerator9x("VQRWDM");

    EXPECT_EQ(programtest::SubkeyNames(m.Key(R"(Enum\PCI)")),
              (Keys{"VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_01", "VEN_8086&DEV_7190&SUBSYS_00000000&REV_03"}));
    EXPECT_EQ(programtest::SubkeyNames(m.Key(R"(Enum\MF\CHILD0000)")), Keys{"VEN_5A3E&DEV_3C10"});
    EXPECT_TRUE(m.Exists(R"(Enum\MF\CHILD0001\VEN_5A3E&DEV_3C4B)"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

struct BrokenChain {
    const char* name;
    const char* enumerator;
};

void PrintTo(const BrokenChain& value, std::ostream* out) { *out << value.name; }

class WithoutDriverSettings : public testing::TestWithParam<BrokenChain> {};

// Without a usable "Driver" value no class entry goes, and the rest of the cleanup still runs.
TEST_P(WithoutDriverSettings, DeletesNoClassEntryAndStillCleansTheTrees)
{
    Win98Machine m(GetParam().enumerator);
    CleanEnumerator9x("VQRWDM");
    EXPECT_EQ(m.ClassDeletions(), Keys{"VQRWDM"});
    EXPECT_EQ(programtest::SubkeyNames(m.Key(Class + "Modem")), (Keys{"0000", "0001", "0002"}));
    EXPECT_TRUE(m.Exists(Class + "0000"));
    EXPECT_FALSE(m.Exists(R"(Enum\VQRWDM)"));
    EXPECT_FALSE(m.Exists(R"(Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01)"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u) << m.machine.journal.ToString();
}

INSTANTIATE_TEST_SUITE_P(Chains, WithoutDriverSettings,
                         testing::Values(BrokenChain{"NoEnumerator", ""}, BrokenChain{"NoDeviceKey", R"(
        [HKEY_LOCAL_MACHINE\Enum\VQRWDM])"},
                                         BrokenChain{"NoInstanceKey", R"(
                        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000])"},
                                         BrokenChain{"NoDriverValue", R"(
                        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000]
                        "Class"="Modem")"},
                                         BrokenChain{"NoBackslash", R"(
                        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000]
                        "Driver"="Modem")"},
                                         BrokenChain{"EmptyClass", R"(
                        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000]
                        "Driver"="\\0000")"},
                                         BrokenChain{"EmptyIndex", R"(
                        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000]
                        "Driver"="Modem\\")"},
                                         BrokenChain{"IndexStartingWithABackslash", R"(
                        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000]
                        "Driver"="Modem\\\\0000")"},
                                         BrokenChain{"NotText", R"(
                        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000]
                        "Driver"=dword:0000005c)"}),
                         [](const testing::TestParamInfo<BrokenChain>& info) { return std::string(info.param.name); });

TEST(CleanEnumerator9x, SkipsAClassNameTooLongForTheClassPath)
{
    // 40 characters of prefix and 215 of class fill the 256-character path.
    const std::string fits(215, 'C');
    const std::string tooLong(216, 'C');
    for (const std::string& className : {fits, tooLong}) {
        Win98Machine m("");
        m.machine.registry.Create(Class + fits + R"(\0000)");
        m.machine.registry.Create(Class + tooLong + R"(\0000)");
        m.machine.registry.SetString(R"(Enum\VQRWDM\DEV_0000\0000)", "Driver", className + R"(\0000)");

        CleanEnumerator9x("VQRWDM");
        Keys expected = {"VQRWDM"};
        if (className == fits)
            expected.insert(expected.begin(), fits + R"(\0000)");
        EXPECT_EQ(m.ClassDeletions(), expected) << className.size() << " characters";
        EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
    }
}

TEST(CleanEnumerator9x, EndsADriverValueThatFillsTheBufferWithoutATerminator)
{
    const std::string index(250, 'A');
    const std::string data = "Modem\\" + index;  // 256 bytes, none of them 0
    Win98Machine m(R"(
        [HKEY_LOCAL_MACHINE\Enum\VQRWDM\DEV_0000\0000])");
    m.machine.registry.Create(Class + "Modem\\" + index);
    m.machine.registry.SetValue(R"(Enum\VQRWDM\DEV_0000\0000)", "Driver", REG_BINARY,
                                std::vector<BYTE>(data.begin(), data.end()));

    CleanEnumerator9x("VQRWDM");
    EXPECT_EQ(m.ClassDeletions(), (Keys{data, "VQRWDM"}));
    EXPECT_FALSE(m.Exists(Class + data));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

}  // namespace
