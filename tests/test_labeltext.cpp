// A label's lines, size and centring, with an advance of 10 pixels per byte so that the
// expected figures can be read off the captions.
#include "labeltext.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

int tenPerByte(std::string_view line)
{
    return 10 * static_cast<int>(line.size());
}

struct SplitCase
{
    const char *name;
    std::string_view caption;
    std::vector<std::string_view> lines;
};

class SplitsLines : public testing::TestWithParam<SplitCase>
{
};

TEST_P(SplitsLines, AtEveryKindOfBreak)
{
    const std::vector<std::string_view> lines = splitLabelLines(GetParam().caption);
    EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, SplitsLines,
    testing::Values(SplitCase{"none", "abc", {"abc"}},
                    // The score line ends in LF CR, comment lines in CR LF: one break each.
                    SplitCase{"lfcr_then_crlf", "a\n\rbb\r\nccc", {"a", "bb", "ccc"}},
                    SplitCase{"lone_cr_and_lf", "a\rb\nc", {"a", "b", "c"}},
                    SplitCase{"two_lf_are_two_breaks", "a\n\nb", {"a", "", "b"}},
                    SplitCase{"lfcr_then_crlf_is_two", "a\n\r\r\nb", {"a", "", "b"}},
                    SplitCase{"trailing_break", "a\r\n", {"a", ""}}),
    [](const testing::TestParamInfo<SplitCase> &info) { return std::string(info.param.name); });

TEST(LayoutLabel, TakesTheWidestLineAndCentresTheOthers)
{
    const LabelLayout layout = layoutLabel("ab\r\nabcdef\r\nabc", tenPerByte, 19, 0);
    EXPECT_EQ(layout.width, 60);
    EXPECT_EQ(layout.height, 3 * 19);
    // (60 - 20) / 2, the widest at 0, and (60 - 30) / 2.
    EXPECT_EQ(layout.lineLefts, (std::vector<int>{20, 0, 15}));
}

TEST(LayoutLabel, MeasuresAnEmptyCaptionAsOneSpace)
{
    const LabelLayout layout = layoutLabel("", tenPerByte, 16, 0);
    EXPECT_EQ(layout.width, 10);
    EXPECT_EQ(layout.height, 16);
}

TEST(LayoutLabel, AddsTheOverhangToEveryLineBeforeCentring)
{
    // The lean of an italic font: each line is centred with it, so odd halves truncate.
    const LabelLayout layout = layoutLabel("a\r\nabcd", tenPerByte, 29, italicOverhang(true, 25));
    EXPECT_EQ(italicOverhang(true, 25), 5);
    EXPECT_EQ(italicOverhang(false, 25), 0);
    EXPECT_EQ(layout.width, 45);
    EXPECT_EQ(layout.lineLefts, (std::vector<int>{15, 0}));
}

} // namespace
