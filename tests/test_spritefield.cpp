// The sprite generator, the scatter and the moves with their bounces.
#include "spritefield.h"

#include <QTest>

namespace {

void placeSprite(int i, int x, int y, int dx, int dy)
{
    SpriteX[i] = x;
    SpriteY[i] = y;
    SpriteDX[i] = dx;
    SpriteDY[i] = dy;
}

} // namespace

class TestSpriteField : public QObject
{
    Q_OBJECT
private slots:
    void scatterFromStateZeroGivesTheKnownSprites()
    {
        RandomState = 0;
        ScatterSprites();
        QCOMPARE((std::array{SpriteX[0], SpriteY[0], SpriteTile[0], SpriteDX[0], SpriteDY[0]}),
                 (std::array{0, 9, 14, -5, -1}));
        QCOMPARE((std::array{SpriteX[1], SpriteY[1], SpriteTile[1], SpriteDX[1], SpriteDY[1]}),
                 (std::array{343, 99, 10, -3, -1}));
    }

    void scatterMakesExactly320DrawsAndRepeatsFromTheSameSeed()
    {
        std::uint32_t state = 86'399'999;
        for (int i = 0; i < 320; ++i)
            state = state * 0x08088405u + 1u;
        RandomState = 86'399'999;
        ScatterSprites();
        QCOMPARE(RandomState, state);
        const std::array<std::int32_t, kSpriteCount> firstX = std::to_array(SpriteX);
        RandomState = 86'399'999;
        ScatterSprites();
        QVERIFY(std::to_array(SpriteX) == firstX);
    }

    void randomBelowTakesTheHighWordOfTheProduct()
    {
        RandomState = 0xFFFFFFFFu; // next state 0xFFFFFFFF * 134775813 + 1 = 0xF7F77BFC
        QCOMPARE(RandomBelow(1000), std::int32_t((1000ull * 0xF7F77BFCull) >> 32));
        QCOMPARE(RandomState, 0xF7F77BFCu);
        for (int n : {1, 2, 5, 312, 512, 0x7FFFFFFF})
            QVERIFY(RandomBelow(n) < n);
    }

    void scatteredValuesStayInTheirRanges()
    {
        for (std::uint32_t seed : {0u, 1u, 12'345'678u, 86'399'999u}) {
            RandomState = seed;
            ScatterSprites();
            for (int i = 0; i < kSpriteCount; ++i) {
                QVERIFY(SpriteX[i] >= 0 && SpriteX[i] <= 511);
                QVERIFY(SpriteY[i] >= 0 && SpriteY[i] <= 311);
                QVERIFY(SpriteTile[i] >= 10 && SpriteTile[i] <= 14);
                QVERIFY(SpriteDX[i] >= -7 && SpriteDX[i] <= 7 && SpriteDX[i] % 2 != 0);
                QVERIFY(SpriteDY[i] >= -3 && SpriteDY[i] <= 3 && SpriteDY[i] % 2 != 0);
            }
        }
    }

    void seedIsMillisecondsSinceMidnightUtc()
    {
        const std::uint32_t before = millisecondsSinceMidnightUtc();
        SeedFromClock();
        QVERIFY(RandomState < 86'400'000u);
        // Equal to the clock unless midnight passed in between.
        QVERIFY(RandomState >= before || RandomState < 1000);
    }

    void moveBouncesOffTheWalls_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("newX");
        QTest::addColumn<int>("newY");
        QTest::addColumn<int>("newDx");
        QTest::addColumn<int>("newDy");
        QTest::newRow("lands on the left wall") << 5 << 100 << -5 << 1 << 0 << 101 << -5 << 1;
        QTest::newRow("lands on the right wall") << 477 << 100 << 3 << 1 << 480 << 101 << 3 << 1;
        QTest::newRow("lands on the top wall") << 50 << 3 << 1 << -3 << 51 << 0 << 1 << -3;
        QTest::newRow("lands on the bottom wall") << 50 << 277 << 1 << 3 << 51 << 280 << 1 << 3;
        QTest::newRow("leaves the right wall") << 480 << 100 << 3 << 1 << 477 << 101 << -3 << 1;
        QTest::newRow("overshoots left") << 2 << 100 << -5 << 1 << 3 << 101 << 5 << 1;
        QTest::newRow("overshoots right") << 478 << 100 << 7 << 1 << 475 << 101 << -7 << 1;
        QTest::newRow("overshoots bottom") << 50 << 280 << 1 << 3 << 51 << 277 << 1 << -3;
        QTest::newRow("overshoots top") << 50 << 0 << 1 << -1 << 51 << 1 << 1 << 1;
        QTest::newRow("scattered past the right, moving left")
            << 500 << 100 << -3 << 1 << 463 << 101 << 3 << 1;
        QTest::newRow("scattered past the right, back inside")
            << 485 << 100 << -7 << 1 << 478 << 101 << -7 << 1;
        QTest::newRow("scattered past the bottom") << 50 << 311 << 1 << -3 << 51 << 252 << 1 << 3;
        QTest::newRow("corner, both axes") << 1 << 1 << -7 << -3 << 6 << 2 << 7 << 3;
    }
    void moveBouncesOffTheWalls()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, dx);
        QFETCH(int, dy);
        placeSprite(7, x, y, dx, dy);
        MoveSprite(7);
        QTEST(SpriteX[7], "newX");
        QTEST(SpriteY[7], "newY");
        QTEST(SpriteDX[7], "newDx");
        QTEST(SpriteDY[7], "newDy");
    }

    void spriteScatteredPastTheWallBouncesSixFramesLater()
    {
        placeSprite(0, 500, 100, -3, 1);
        std::array<int, 7> xs{};
        for (int &x : xs) {
            MoveSprite(0);
            x = SpriteX[0];
        }
        QCOMPARE(xs, (std::array{463, 466, 469, 472, 475, 478, 479}));
        QCOMPARE(SpriteDX[0], -3);
    }

    void everyMoveKeepsTilesInsideTheField()
    {
        for (std::uint32_t seed : {3u, 99u, 4'000'000u}) {
            RandomState = seed;
            ScatterSprites();
            for (int frame = 0; frame < 400; ++frame) {
                for (int i = 0; i < kSpriteCount; ++i) {
                    MoveSprite(i);
                    QVERIFY(SpriteX[i] >= 0 && SpriteX[i] <= kRightWall);
                    QVERIFY(SpriteY[i] >= 0 && SpriteY[i] <= kBottomWall);
                }
            }
        }
    }

    void newFieldIsBlueWithAWhiteBrush()
    {
        const std::unique_ptr<FieldBitmap> field = NewBlueField();
        QCOMPARE(field->brushColor(), clWhite);
        for (int i = 0; i < FieldBitmap::kWidth * FieldBitmap::kHeight; ++i)
            if (field->pixels()[i] != toPixel(clBlue))
                QFAIL("a pixel of the new field is not blue");
    }
};

QTEST_GUILESS_MAIN(TestSpriteField)
#include "test_spritefield.moc"
