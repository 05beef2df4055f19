// The score beyond the four digit tiles, from the frame count Plovex reports, and the
// tiles on a screen of fewer colours; at 24 bits they are read in every end-to-end case
// through plovex-inspect.
#include "rating.h"
#include "scorereader.h"

#include <QImage>
#include <QTest>

class TestScoreReader : public QObject
{
    Q_OBJECT

private slots:
    void framesSettleTheDigitsAboveTheTiles_data()
    {
        QTest::addColumn<int>("tiles");
        QTest::addColumn<qlonglong>("frames");
        QTest::addColumn<int>("score"); // -1: the tiles do not fit the count
        QTest::newRow("below 10000") << 4376 << 38512LL << 4376;
        QTest::newRow("above 10000") << 315 << 90774LL << 10315;
        QTest::newRow("above 20000") << 315 << 178784LL << 20315;
        QTest::newRow("10000 shows four zeros") << 0 << 88010LL << 10000;
        QTest::newRow("9999 stays") << 9999 << 88000LL << 9999;
        QTest::newRow("a slow finish frame") << 5000 << 44500LL << 5000;
        QTest::newRow("tiles far from the count") << 5000 << 90000LL << -1;
        QTest::newRow("a count from another run") << 315 << 10LL << -1;
    }
    void framesSettleTheDigitsAboveTheTiles()
    {
        QFETCH(int, tiles);
        QFETCH(qlonglong, frames);
        QTEST(scoreFromTiles(tiles, frames).value_or(-1), "score");
    }

    // A 16-bit screen keeps 5, 6 and 5 bits of red, green and blue.
    void tilesReadOnTheBitsTheScreenKeeps_data()
    {
        QTest::addColumn<uint>("screen"); // what the screen keeps of each pixel
        QTest::addColumn<uint>("kept");   // what the reader is told it keeps
        QTest::addColumn<int>("score");   // -1: unreadable
        QTest::newRow("24 bits") << 0xffffffu << 0xffffffu << 4376;
        QTest::newRow("16 bits") << 0xf8fcf8u << 0xf8fcf8u << 4376;
        QTest::newRow("16 bits taken for 24") << 0xf8fcf8u << 0xffffffu << -1;
    }
    void tilesReadOnTheBitsTheScreenKeeps()
    {
        QFETCH(uint, screen);
        QFETCH(uint, kept);
        const SpriteSheets &sheets = builtInSheets();
        QImage window(512, 293, QImage::Format_RGB32);
        window.fill(Qt::black);
        const int digits[] = {4, 3, 7, 6};
        for (int k = 0; k < 4; ++k)
            for (int y = 0; y < kTileSize; ++y)
                for (int x = 0; x < kTileSize; ++x)
                    window.setPixel(kScoreDigitLeft + kScoreDigitSpacing * k + x,
                                    kScoreDigitTop + y,
                                    sheets.colour.pixel(digits[k] * kTileSize + x, y) & screen);
        QTEST(readScoreTiles(window, QPoint(0, 0), sheets, kept).score, "score");
    }
};

QTEST_APPLESS_MAIN(TestScoreReader)
#include "test_scorereader.moc"
