// The score beyond the four digit tiles, from the frame count Plovex reports; the tiles
// themselves are read in every end-to-end case through plovex-inspect.
#include "scorereader.h"

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
};

QTEST_APPLESS_MAIN(TestScoreReader)
#include "test_scorereader.moc"
