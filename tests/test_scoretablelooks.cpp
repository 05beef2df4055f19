// What the score table's rows show as the table is shown and blinks: the band of the
// score, the blinking shape and the comment that stays in red.
#include "runstate.h"
#include "scoretablelooks.h"

#include <gtest/gtest.h>

namespace {

class ScoreTableLooksTest : public testing::Test
{
protected:
    void SetUp() override { TableBlink = true; }

    ScoreTableLooks looks;
};

// Rows from the top: band 8 (350 and above) first, band 1 last.
constexpr std::size_t kBand8 = 0;
constexpr std::size_t kBand2 = 6;
constexpr std::size_t kBand1 = 7;

TEST_F(ScoreTableLooksTest, StartsAsStoredAndShowsEveryRangeInBlack)
{
    EXPECT_EQ(looks.rows()[kBand1], (ScoreRowLook{clRed, clWindowText, "５０未満"}));
    looks.showBand(true, 0);
    looks.formShow();
    EXPECT_FALSE(TableBlink);
    for (std::size_t i = 0; i < kScoreTableRowCount; ++i) {
        EXPECT_EQ(looks.rows()[i].labelFont, clBlack) << "row " << i;
        EXPECT_EQ(looks.rows()[i].caption, ScoreTableRows[i].rangeCaption) << "row " << i;
    }
    // The shape keeps the yellow it had.
    EXPECT_EQ(looks.rows()[kBand1].shape, clYellow);
}

TEST_F(ScoreTableLooksTest, BlinksTheShapeAndLeavesTheCommentInRed)
{
    looks.formShow();
    EXPECT_EQ(looks.timerTick(50), kBand2);
    EXPECT_TRUE(TableBlink);
    EXPECT_EQ(looks.rows()[kBand2], (ScoreRowLook{clYellow, clRed, "まだ・あかん！"}));
    EXPECT_EQ(looks.timerTick(50), kBand2);
    EXPECT_EQ(looks.rows()[kBand2], (ScoreRowLook{clFuchsia, clRed, "まだ・あかん！"}));
    // No other row was touched.
    EXPECT_EQ(looks.rows()[kBand1], (ScoreRowLook{clRed, clBlack, "５０未満"}));
}

TEST_F(ScoreTableLooksTest, FollowsTheScoreToItsBand)
{
    EXPECT_EQ(looks.showBand(true, 49), kBand1);
    EXPECT_EQ(looks.showBand(true, 350), kBand8);
    EXPECT_EQ(looks.showBand(true, 12345), kBand8);
    // The earlier band keeps what it last got.
    EXPECT_EQ(looks.rows()[kBand1].shape, clYellow);
}

} // namespace
