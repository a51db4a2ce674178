#include <gtest/gtest.h>

#include <string>

#include "registry/path_buffer.h"

namespace {

TEST(PathBuffer, FillsTheBufferExactlyWithRoomForTheTerminator)
{
    char buffer[8];
    ASSERT_TRUE(CopyPath(buffer, sizeof(buffer), "Enum\\"));
    ASSERT_TRUE(AppendPath(buffer, sizeof(buffer), "PC"));
    EXPECT_STREQ(buffer, "Enum\\PC");
}

TEST(PathBuffer, RefusesAPathOneCharacterTooLongAndLeavesTheBufferAsItWas)
{
    char buffer[8];
    EXPECT_FALSE(CopyPath(buffer, sizeof(buffer), "12345678"));
    ASSERT_TRUE(CopyPath(buffer, sizeof(buffer), "Enum\\"));
    EXPECT_FALSE(AppendPath(buffer, sizeof(buffer), "PCI"));
    EXPECT_STREQ(buffer, "Enum\\");
}

}  // namespace
