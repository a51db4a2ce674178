#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "devices/devices.h"
#include "platform/platform_mode.h"
#include "product/product.h"
#include "program_test_support.h"

using programtest::ActiveMachine;
using programtest::AddToRegistry;
using programtest::CountCalls;

namespace {

using Ids = std::vector<std::string>;

TEST(ScanDeviceKeys, HandsNothingOverWithoutAMatchingDeviceKey)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C4B&SUBSYS_00000000&REV_01\4&1]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_8086&DEV_7190&SUBSYS_00000000&REV_03\3&2]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\ven_5a3e&dev_3c10&subsys_3c105a3e&rev_01\3&3])");
    ScanDeviceKeys(MODE_NT5, PciEnumKey, PciDeviceIds);
    EXPECT_EQ(CountCalls(m.machine.journal, "SetupDiCreateDeviceInfoList"), 0u);
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ScanDeviceKeys, HandsOverOnlyTheFirstInstanceOfADeviceKey)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02\3&1&0&50]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02\3&1&0&58])");
    ScanDeviceKeys(MODE_NT5, PciEnumKey, PciDeviceIds);
    EXPECT_EQ(m.machine.RemovedDeviceIds(), Ids{R"(PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02\3&1&0&50)"});
    EXPECT_TRUE(m.Exists(R"(SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02\3&1&0&58)"));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ScanDeviceKeys, HandsOverBothMatchingKeysAroundAnotherDevice)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&1]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C12&SUBSYS_00000000&REV_01\3&2]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\3&3])");
    ScanDeviceKeys(MODE_NT5, PciEnumKey, PciDeviceIds);
    EXPECT_EQ(m.machine.RemovedDeviceIds(), (Ids{R"(PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&1)",
                                                 R"(PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\3&3)"}));
    EXPECT_TRUE(m.Exists(R"(SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C12&SUBSYS_00000000&REV_01\3&2)"));
}

// The installer takes the device key with its last instance; the next key
// moves into its index and must still be examined.
TEST(ScanDeviceKeys, ExaminesTheKeyThatMovedIntoTheIndexOfARemovedDeviceKey)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01\3&1]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_01\3&2]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01\3&3])");
    ScanDeviceKeys(MODE_NT5, PciEnumKey, PciDeviceIds);
    EXPECT_EQ(m.machine.removedDevices.size(), 3u);
    EXPECT_EQ(m.Key(R"(SYSTEM\CurrentControlSet\Enum\PCI)").SubkeyCount(), 0u);
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ScanDeviceKeys, Nt4MatchesEveryRootKeyCarryingUnimodem)
{
    ActiveMachine m("nt40", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\*PNP0501\0000]
        "ClassGUID"="{4D36E978-E325-11CE-BFC1-08002BE10318}"
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000]
        "ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}"
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM2A7F\0000]
        "ClassGUID"="{4D36E96D-E325-11CE-BFC1-08002BE10318}")");
    ScanDeviceKeys(MODE_NT4, RootEnumKey, RootDeviceMarker);
    EXPECT_EQ(m.machine.RemovedDeviceIds(), (Ids{R"(Root\UNIMODEM\0000)", R"(Root\UNIMODEM2A7F\0000)"}));
    EXPECT_TRUE(m.Exists(R"(SYSTEM\CurrentControlSet\Enum\Root\*PNP0501\0000)"));
}

TEST(ScanDeviceKeys, PassesOverADeviceKeyItCannotOpenOrThatHasNoInstance)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1\3&1]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_2]
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_3\3&3])");
    m.Key(R"(SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C10&SUBSYS_1)").refusedAccess = KEY_ENUMERATE_SUB_KEYS;
    ScanDeviceKeys(MODE_NT5, PciEnumKey, PciDeviceIds);
    EXPECT_EQ(m.machine.RemovedDeviceIds(), Ids{R"(PCI\VEN_5A3E&DEV_3C10&SUBSYS_3\3&3)"});
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ScanDeviceKeys, SkipsAnInstancePathThatDoesNotFitAndGoesOn)
{
    const std::string pci = R"(SYSTEM\CurrentControlSet\Enum\PCI\)";
    const std::string longDevice = "VEN_5A3E&DEV_3C10&SUBSYS_" + std::string(230, '0');
    ActiveMachine m("winxp");
    m.machine.registry.Create(pci + longDevice + "\\" + std::string(255, '7'));
    AddToRegistry(m.machine.registry, R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\PCI\VEN_5A3E&DEV_3C15&SUBSYS_1\3&1])");

    ScanDeviceKeys(MODE_NT5, PciEnumKey, PciDeviceIds);
    // Nothing was handed over under a path cut short.
    EXPECT_EQ(m.machine.journal.Targets("SetupDiOpenDeviceInfoA"), Ids{R"(PCI\VEN_5A3E&DEV_3C15&SUBSYS_1\3&1)"});
    EXPECT_TRUE(m.Exists(pci + longDevice));
    EXPECT_EQ(m.machine.OpenHandleCount(), 0u);
}

TEST(ScanDeviceKeys, ReturnsAtOnceWithoutTheEnumeratorKey)
{
    ActiveMachine m("winxp", R"(
        [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\UNIMODEM\0000])");
    ScanDeviceKeys(MODE_NT5, PciEnumKey, PciDeviceIds);
    EXPECT_EQ(m.machine.journal.Calls(), Ids{"RegOpenKeyExA"});
}

}  // namespace
