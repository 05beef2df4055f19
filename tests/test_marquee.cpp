// The status line's rows: which row a time shows, and that the rows are one strip of text
// scrolled a character at a time.
#include "marquee.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

namespace {

// The number of characters (code points) in UTF-8 text.
std::size_t characters(std::string_view utf8)
{
    return std::size_t(std::ranges::count_if(utf8, [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

TEST(Marquee, RowOfATimeChangesEvery300MsUntil8700)
{
    const std::pair<int, int> cases[] = {{1, 1},     {300, 1},   {301, 2},   {7800, 26},
                                         {7801, 27}, {7999, 27}, {8700, 27}, {8701, 0},
                                         {0, 0},     {-300, 0}}; // row 1-based, 0 for none
    for (const auto &[ms, row] : cases)
        EXPECT_EQ(marqueeRow(ms) + 1, row) << ms << " ms";
}

TEST(Marquee, RowsScrollOneStrip)
{
    const std::string ideo = "\u3000";
    std::string strip;
    for (int i = 0; i < 7; ++i)
        strip += ideo;
    strip += "只今・計測中です" + ideo + "暫く" + ideo + "お待ち下さい・";
    for (int i = 0; i < 8; ++i)
        strip += ideo;
    // Every character of the strip is three bytes in UTF-8.
    ASSERT_EQ(characters(strip), 34u);
    ASSERT_EQ(strip.size(), 34u * 3);
    for (int k = 0; k < kMarqueeRowCount; ++k) {
        const std::string_view row = MarqueeTexts[std::size_t(k)].text;
        EXPECT_EQ(characters(row), 8u) << "row " << k + 1;
        EXPECT_EQ(row, std::string_view(strip).substr(std::size_t(k) * 3, 8 * 3))
            << "row " << k + 1;
    }
}
