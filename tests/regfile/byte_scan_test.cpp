#include "win32sim/byte_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace win32sim;

// Every length around the block sizes, with what is sought at every place or
// nowhere: the scans read whole blocks, and the last block of a text overlaps
// the one before it.
TEST(ByteScan, AgreesWithAByteByByteScanAtEveryLengthAndPlace)
{
    for (size_t size = 0; size <= 50; ++size) {
        for (size_t place = 0; place <= size; ++place) {
            std::string text(size, 'a');
            std::string other = text;
            if (place < size) {
                text[place] = '\\';
                other[place] = 'b';
            }
            const std::string_view view(text);
            SCOPED_TRACE("size " + std::to_string(size) + ", place " + std::to_string(place));

            EXPECT_EQ(FindAnyOf<'\\'>(view), place);
            EXPECT_EQ((FindAnyOf<'"', '\\'>(view)), place);
            EXPECT_EQ(FindAnyOf<'"'>(view), size);
            EXPECT_EQ(CommonStart(view, other), place);
            EXPECT_EQ(CommonStart(view, view.substr(0, place)), place);

            std::string high = text;
            if (place < size)
                high[place] = '\xE9';
            EXPECT_EQ(IsAscii(high), place == size);
            EXPECT_EQ(CountOf<'\\'>(view), static_cast<size_t>(std::count(text.begin(), text.end(), '\\')));
        }
    }
}
