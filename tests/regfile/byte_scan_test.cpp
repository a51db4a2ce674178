#include "byte_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "regfile/utf16.h"

using namespace qalm;

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

// String data narrowed eight UTF-16 units at a time must read as the
// unit-by-unit decoder reads it, whatever the length and wherever the first
// unit beyond ASCII lies (its low byte, its high byte, or both beyond 0x7F).
TEST(ByteScan, NarrowsUtf16AsTheDecoderDoesAtEveryLengthAndPlace)
{
    for (size_t units = 0; units <= 40; ++units) {
        for (size_t place = 0; place <= units; ++place) {
            for (const char16_t unusual : {u'\x7F', u'\x80', u'\x100', u'\xE9', u'\xD800', u'\x4E2D'}) {
                std::vector<BYTE> data;
                for (size_t i = 0; i < units; ++i) {
                    const char16_t unit = i == place ? unusual : static_cast<char16_t>('a' + i % 26);
                    data.push_back(static_cast<BYTE>(unit & 0xFF));
                    data.push_back(static_cast<BYTE>(unit >> 8));
                }
                std::string decoded;
                DecodeUtf16Le(data.data(), data.size(), true, decoded);
                SCOPED_TRACE("units " + std::to_string(units) + ", place " + std::to_string(place) + ", unit " +
                             std::to_string(unusual));
                EXPECT_EQ(Utf16LeToUtf8(data), std::vector<BYTE>(decoded.begin(), decoded.end()));
            }
        }
    }
}
