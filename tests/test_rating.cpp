// The score formula and the ladder of rating bands: which band a score falls in, its
// digits, its colours and its composed text.
#include "rating.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();

std::size_t countOf(std::string_view text, std::string_view part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size()))
        ++n;
    return n;
}

} // namespace

TEST(Rating, ScoreIsFramesPerSecondRounded)
{
    struct Row
    {
        const char *name;
        int frames, ms, score;
    };
    const Row rows[] = {
        {"1000 frames in 8750 ms", 1000, 8750, 114},
        {"435 in 8702: the 500 lifts it to 50", 435, 8702, 50},
        {"1 in 8701", 1, 8701, 0},
        {"largest product that fits 32 bits", 2147483, 8701, 246808},
        // 2 147 484 500 would wrap to a negative score in 32 bits.
        {"first product past 32 bits", 2147484, 8701, 246808},
        {"most frames a run can count", kMaxInt, 8701, 246808832},
        {"quotient past 32 bits is held", kMaxInt, 1, kMaxInt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(ComputeScore(row.frames, row.ms), row.score) << row.name;
}

TEST(Rating, ScoreFallsInItsBandAndShowsItsLastFourDigits)
{
    const std::tuple<int, int, std::string_view> cases[] = {
        // digits empty: not checked
        {0, 1, "0000"},      {7, 1, "0007"},   {49, 1, "0049"},      {50, 2, "0050"},
        {349, 7, "0349"},    {350, 8, "0350"}, {6999, 20, "6999"},   {7000, 21, "7000"},
        {12345, 21, "2345"}, {-1, 1, ""},      {kNoLowerEdge, 1, ""}};
    for (const auto &[score, band, digits] : cases) {
        SCOPED_TRACE(score);
        EXPECT_EQ(ratingBandIndex(score) + 1, band);
        EXPECT_EQ(&bandFor(score), &RatingBands[std::size_t(band - 1)]);
        if (!digits.empty()) {
            std::string shown;
            for (int digit : scoreDigits(score))
                shown += char('0' + digit);
            EXPECT_EQ(shown, digits);
        }
    }
}

// Each band begins exactly at its own edge: the lookup neither skips nor shifts a band.
TEST(Rating, EveryEdgeOpensItsBand)
{
    for (int i = 1; i < kRatingBandCount; ++i) {
        const std::int32_t edge = RatingBands[std::size_t(i)].lowerEdge;
        EXPECT_EQ(ratingBandIndex(edge), i) << edge;
        EXPECT_EQ(ratingBandIndex(edge - 1), i - 1) << edge - 1;
    }
}

// Only the bands below 350 colour the labels and the field.
TEST(Rating, OnlyBandsBelow350CarryColours)
{
    for (const RatingBand &band : RatingBands)
        EXPECT_EQ(band.colours.has_value(), band.lowerEdge < 350) << band.lowerEdge;
}

TEST(Rating, TextIsTheScoreLineThenTheComment)
{
    const std::pair<int, std::string_view> rows[] = {
        {123, "反重力  123 [RG]\n\r低空飛行中 で～す"},
        {7000, "反重力  7000 [RG]\n\r最高の気分だネッ。\r\n太陽系を出て"
               "\r\n銀河の旅路へ出発だ！"},
        {12345, "反重力  12345 [RG]\n\r最高の気分だネッ。\r\n太陽系を出て"
                "\r\n銀河の旅路へ出発だ！"},
    };
    for (const auto &[score, text] : rows)
        EXPECT_EQ(ComposeRatingText(score), text) << score;
}

// The score line ends in LF CR, and the band's comment lines are joined by CR LF.
TEST(Rating, CommentLinesAreJoinedByCrLf)
{
    for (int b = 0; b < kRatingBandCount; ++b) {
        SCOPED_TRACE("band " + std::to_string(b + 1));
        const RatingBand &band = RatingBands[std::size_t(b)];
        const std::string text = ComposeRatingText(b == 0 ? 0 : band.lowerEdge);
        EXPECT_EQ(countOf(text, "\n\r"), 1u);
        EXPECT_EQ(countOf(text, "\r\n"), std::size_t(band.lineCount() - 1));
        std::string comment(band.comment[0]);
        for (int l = 1; l < band.lineCount(); ++l)
            comment.append("\r\n").append(band.comment[std::size_t(l)]);
        EXPECT_TRUE(text.ends_with("\n\r" + comment)) << text;
    }
}
