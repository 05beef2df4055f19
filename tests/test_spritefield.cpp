// The sprite generator, the scatter and the moves with their bounces.
#include "spritefield.h"

#include <gtest/gtest.h>

namespace {

void placeSprite(int i, int x, int y, int dx, int dy)
{
    SpriteX[i] = x;
    SpriteY[i] = y;
    SpriteDX[i] = dx;
    SpriteDY[i] = dy;
}

} // namespace

TEST(SpriteField, ScatterFromStateZeroGivesTheKnownSprites)
{
    RandomState = 0;
    ScatterSprites();
    EXPECT_EQ((std::array{SpriteX[0], SpriteY[0], SpriteTile[0], SpriteDX[0], SpriteDY[0]}),
              (std::array{0, 9, 14, -5, -1}));
    EXPECT_EQ((std::array{SpriteX[1], SpriteY[1], SpriteTile[1], SpriteDX[1], SpriteDY[1]}),
              (std::array{343, 99, 10, -3, -1}));
}

TEST(SpriteField, ScatterMakesExactly320DrawsAndRepeatsFromTheSameSeed)
{
    std::uint32_t state = 86'399'999;
    for (int i = 0; i < 320; ++i)
        state = state * 0x08088405u + 1u;
    RandomState = 86'399'999;
    ScatterSprites();
    EXPECT_EQ(RandomState, state);
    const std::array<std::int32_t, kSpriteCount> firstX = std::to_array(SpriteX);
    RandomState = 86'399'999;
    ScatterSprites();
    EXPECT_TRUE(std::to_array(SpriteX) == firstX);
}

TEST(SpriteField, RandomBelowTakesTheHighWordOfTheProduct)
{
    RandomState = 0xFFFFFFFFu; // next state 0xFFFFFFFF * 134775813 + 1 = 0xF7F77BFC
    EXPECT_EQ(RandomBelow(1000), std::int32_t((1000ull * 0xF7F77BFCull) >> 32));
    EXPECT_EQ(RandomState, 0xF7F77BFCu);
    for (int n : {1, 2, 5, kFieldHeight, kFieldWidth, 0x7FFFFFFF})
        EXPECT_LT(RandomBelow(n), n);
}

TEST(SpriteField, ScatteredValuesStayInTheirRanges)
{
    for (std::uint32_t seed : {0u, 1u, 12'345'678u, 86'399'999u}) {
        SCOPED_TRACE(seed);
        RandomState = seed;
        ScatterSprites();
        for (int i = 0; i < kSpriteCount; ++i) {
            ASSERT_TRUE(SpriteX[i] >= 0 && SpriteX[i] < kFieldWidth) << i;
            ASSERT_TRUE(SpriteY[i] >= 0 && SpriteY[i] < kFieldHeight) << i;
            ASSERT_TRUE(SpriteTile[i] >= 10 && SpriteTile[i] <= 14) << i;
            ASSERT_TRUE(SpriteDX[i] >= -7 && SpriteDX[i] <= 7 && SpriteDX[i] % 2 != 0) << i;
            ASSERT_TRUE(SpriteDY[i] >= -3 && SpriteDY[i] <= 3 && SpriteDY[i] % 2 != 0) << i;
        }
    }
}

TEST(SpriteField, SeedIsMillisecondsSinceMidnightUtc)
{
    const std::uint32_t before = millisecondsSinceMidnightUtc();
    SeedFromClock();
    EXPECT_LT(RandomState, 86'400'000u);
    // Equal to the clock unless midnight passed in between.
    EXPECT_TRUE(RandomState >= before || RandomState < 1000);
}

TEST(SpriteField, MoveBouncesOffTheWalls)
{
    struct Row
    {
        const char *name;
        int x, y, dx, dy;
        int newX, newY, newDx, newDy;
    };
    const Row rows[] = {
        {"lands on the left wall", 5, 100, -5, 1, 0, 101, -5, 1},
        {"lands on the right wall", 477, 100, 3, 1, 480, 101, 3, 1},
        {"lands on the top wall", 50, 3, 1, -3, 51, 0, 1, -3},
        {"lands on the bottom wall", 50, 277, 1, 3, 51, 280, 1, 3},
        {"leaves the right wall", 480, 100, 3, 1, 477, 101, -3, 1},
        {"overshoots left", 2, 100, -5, 1, 3, 101, 5, 1},
        {"overshoots right", 478, 100, 7, 1, 475, 101, -7, 1},
        {"overshoots bottom", 50, 280, 1, 3, 51, 277, 1, -3},
        {"overshoots top", 50, 0, 1, -1, 51, 1, 1, 1},
        {"scattered past the right, moving left", 500, 100, -3, 1, 463, 101, 3, 1},
        {"scattered past the right, back inside", 485, 100, -7, 1, 478, 101, -7, 1},
        {"scattered past the bottom", 50, 311, 1, -3, 51, 252, 1, 3},
        {"corner, both axes", 1, 1, -7, -3, 6, 2, 7, 3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        placeSprite(7, row.x, row.y, row.dx, row.dy);
        MoveSprite(7);
        EXPECT_EQ(SpriteX[7], row.newX);
        EXPECT_EQ(SpriteY[7], row.newY);
        EXPECT_EQ(SpriteDX[7], row.newDx);
        EXPECT_EQ(SpriteDY[7], row.newDy);
    }
}

TEST(SpriteField, SpriteScatteredPastTheWallBouncesSixFramesLater)
{
    placeSprite(0, 500, 100, -3, 1);
    std::array<int, 7> xs{};
    for (int &x : xs) {
        MoveSprite(0);
        x = SpriteX[0];
    }
    EXPECT_EQ(xs, (std::array{463, 466, 469, 472, 475, 478, 479}));
    EXPECT_EQ(SpriteDX[0], -3);
}

TEST(SpriteField, EveryMoveKeepsTilesInsideTheField)
{
    for (std::uint32_t seed : {3u, 99u, 4'000'000u}) {
        SCOPED_TRACE(seed);
        RandomState = seed;
        ScatterSprites();
        for (int frame = 0; frame < 400; ++frame) {
            for (int i = 0; i < kSpriteCount; ++i) {
                MoveSprite(i);
                ASSERT_TRUE(SpriteX[i] >= 0 && SpriteX[i] <= kRightWall) << frame << " " << i;
                ASSERT_TRUE(SpriteY[i] >= 0 && SpriteY[i] <= kBottomWall) << frame << " " << i;
            }
        }
    }
}

TEST(SpriteField, NewFieldIsBlueWithAWhiteBrush)
{
    const std::unique_ptr<FieldBitmap> field = NewBlueField();
    EXPECT_EQ(field->brushColor(), clWhite);
    for (int i = 0; i < FieldBitmap::kWidth * FieldBitmap::kHeight; ++i)
        if (field->pixels()[i] != toPixel(clBlue))
            FAIL() << "pixel " << i << " of the new field is not blue";
}
