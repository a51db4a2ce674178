// The check of a written hive against what the removals must leave: it is the
// only guard against a library that writes something else.
#include <gtest/gtest.h>

#include <string>

#include "hive_compare.h"
#include "preview_test_support.h"
#include "removal_plan.h"
#include "support/hive_fixture.h"

namespace qalm::testing {
namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";
const std::string kKept = R"([HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\Serial]
"Start"=dword:00000001
"Group"="Extended Base"

)";
const std::string kProduct = R"([HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\QalmPort\Enum]
"Count"=dword:00000001

)";

struct WrongHive {
    const char* what;
    std::string regText;
    const char* message;
};

TEST(HiveComparison, NamesTheFirstKeyWhereTheWrittenHiveDiffersFromTheExpectedOne)
{
    TemporaryFolder folder;
    const std::string original = folder.PathOf("SYSTEM");
    MakeHive(original, kSystemPrefix, kHeader + kKept + kProduct);
    const offline::HiveChanges changes{original, {"ControlSet001\\Services\\QalmPort"}, {}};

    const WrongHive cases[] = {
        {"the removed key still there", kKept + kProduct, "in the key ControlSet001\\Services: 2 subkeys where 1"},
        {"other data", R"([HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\Serial]
"Start"=dword:00000002
"Group"="Extended Base"
)",
         "in the key ControlSet001\\Services\\Serial: the value \"Start\" holds other data"},
        {"another type", R"([HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\Serial]
"Start"=hex(3):01,00,00,00
"Group"="Extended Base"
)",
         "the value \"Start\" has type 3 where 4"},
        {"a value lost", R"([HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\Serial]
"Start"=dword:00000001
)",
         "in the key ControlSet001\\Services\\Serial: 1 values where 2"},
        {"another subkey", R"([HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\Serjal]
"Start"=dword:00000001
"Group"="Extended Base"
)",
         "subkey 1 is \"Serjal\" where \"Serial\""},
    };
    const std::string expected = folder.PathOf("expected");
    MakeHive(expected, kSystemPrefix, kHeader + kKept);
    {
        const offline::HiveHandle before(original, offline::HiveHandle::Mode::Read);
        const offline::HiveHandle after(expected, offline::HiveHandle::Mode::Read);
        EXPECT_NO_THROW(
            offline::CompareWithExpected(before, offline::FindRemovals(before, offline::PlanRemovals(changes)), after));
    }
    for (const WrongHive& wrong : cases) {
        SCOPED_TRACE(wrong.what);
        const std::string written = folder.PathOf("written");
        MakeHive(written, kSystemPrefix, kHeader + wrong.regText);
        const offline::HiveHandle before(original, offline::HiveHandle::Mode::Read);
        const offline::HiveHandle after(written, offline::HiveHandle::Mode::Read);
        try {
            offline::CompareWithExpected(before, offline::FindRemovals(before, offline::PlanRemovals(changes)), after);
            ADD_FAILURE() << "no difference found";
        } catch (const offline::ApplyError& error) {
            EXPECT_NE(std::string(error.what()).find(wrong.message), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace qalm::testing
