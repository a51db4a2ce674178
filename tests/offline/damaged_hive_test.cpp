// Hives with damage the base block's checksum does not cover: truncated,
// zeroed and flipped bytes in their keys' cells. Each apply either refuses,
// leaving the file as it was, or writes a hive that reads back as expected,
// keeping the damaged original as its backup; it never crashes, though
// libhivex aborts on some of them (copy 137: a class name pointing nowhere).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "hive_apply.h"
#include "preview_test_support.h"
#include "support/hive_fixture.h"

namespace qalm::testing {
namespace {

const std::string kMachine = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\QalmPort]
"Start"=dword:00000003
"ImagePath"=hex(2):73,00,79,00,73,00,00,00

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\QalmPort\Enum]
"Count"=dword:00000001

[HKEY_LOCAL_MACHINE\SYSTEM\ControlSet001\Services\Serial]
"Start"=dword:00000001
"Group"="Extended Base"

)";

constexpr size_t kBaseBlock = 0x1000;  // the checksum guards it; its damage is refused before libhivex reads on
constexpr int kCopies = 150;

// A fixed sequence, so that every run damages the same bytes.
uint32_t Next(uint32_t& state)
{
    state = state * 1103515245u + 12345u;
    return state >> 8;
}

std::string Damaged(const std::string& hive, int copy, uint32_t& state)
{
    std::string bytes = hive;
    const size_t cells = bytes.size() - kBaseBlock;
    const size_t offset = kBaseBlock + Next(state) % cells;
    switch (copy % 3) {
    case 0:
        bytes.resize(offset);
        break;
    case 1:
        for (size_t i = offset; i < std::min(bytes.size(), offset + 16); ++i)
            bytes[i] = 0;
        break;
    default:
        bytes[offset] = static_cast<char>(bytes[offset] ^ (1 << (Next(state) % 8)));
    }
    return bytes;
}

void Write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(DamagedHive, IsRefusedWithNothingWrittenOrAppliedWithItsOriginalKept)
{
    TemporaryFolder folder;
    const std::string hive = folder.PathOf("SYSTEM");
    MakeHive(hive, kSystemPrefix, kMachine);
    const std::string intact = ReadFile(hive);
    const std::vector<offline::HiveChanges> changes = {{hive, {"ControlSet001\\Services\\QalmPort"}, {}}};

    uint32_t state = 20;
    int refused = 0;
    for (int copy = 0; copy < kCopies; ++copy) {
        SCOPED_TRACE("copy " + std::to_string(copy));
        const std::string damaged = Damaged(intact, copy, state);
        Write(hive, damaged);
        try {
            const auto applied = offline::ApplyHiveChanges(changes);
            ASSERT_EQ(applied.size(), 1u);
            EXPECT_EQ(ReadFile(applied[0].backup), damaged);
            EXPECT_EQ(folder.Names(), (std::vector<std::string>{"SYSTEM", "SYSTEM.qalm-backup"}));
            std::filesystem::remove(applied[0].backup);
        } catch (const offline::ApplyError& error) {
            ++refused;
            EXPECT_NE(std::string(error.what()).find(hive), std::string::npos) << error.what();
            EXPECT_EQ(ReadFile(hive), damaged);
            EXPECT_EQ(folder.Names(), (std::vector<std::string>{"SYSTEM"}));
        }
    }
    // Most damage is found; what is not lies where no key reads.
    EXPECT_GT(refused, kCopies / 3);
}

}  // namespace
}  // namespace qalm::testing
