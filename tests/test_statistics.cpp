// How sure a series is and whether two differ, on fixed data whose figures were worked out
// by hand or by enumerating every split of the pooled runs.
#include "statistics.h"

#include <QTest>

using Values = std::vector<double>;

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void summaryGivesMedianSpreadAndOrderStatisticInterval_data()
    {
        QTest::addColumn<Values>("values");
        QTest::addColumn<double>("median");
        QTest::addColumn<double>("cv");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<double>("confidence");
        // Below six runs no interval reaches 95 %: min to max, with what it does reach.
        QTest::newRow("three runs")
            << Values{4376, 4603, 4295} << 4376.0 << 0.0360848 << 4295.0 << 4603.0 << 0.75;
        QTest::newRow("identical samples")
            << Values(5, 5000) << 5000.0 << 0.0 << 5000.0 << 5000.0 << 0.9375;
        QTest::newRow("even count")
            << Values{4, 1, 3, 2} << 2.5 << 0.5163978 << 1.0 << 4.0 << 0.875;
        QTest::newRow("one run") << Values{4000} << 4000.0 << 0.0 << 4000.0 << 4000.0 << 0.0;
        QTest::newRow("six runs reach 95 %")
            << Values{15, 10, 14, 11, 13, 12} << 12.5 << 0.1496663 << 10.0 << 15.0 << 0.96875;
        // 2nd and 10th of eleven: 1 - 2 x (1 + 11) / 2048; the 3rd and 9th would be below 95 %.
        QTest::newRow("eleven runs narrow it") << Values{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << 6.0
                                               << 0.5527708 << 2.0 << 10.0 << 0.98828125;
    }
    void summaryGivesMedianSpreadAndOrderStatisticInterval()
    {
        QFETCH(Values, values);
        QFETCH(double, cv);
        QFETCH(double, confidence);
        const Summary s = summarise(values);
        QCOMPARE(s.runs, int(values.size()));
        QTEST(s.median, "median");
        QCOMPARE(s.min, *std::min_element(values.begin(), values.end()));
        QCOMPARE(s.max, *std::max_element(values.begin(), values.end()));
        QVERIFY2(std::abs(s.cv - cv) < 1e-6, qPrintable(QString::number(s.cv)));
        QTEST(s.interval.low, "low");
        QTEST(s.interval.high, "high");
        QVERIFY2(std::abs(s.interval.confidence - confidence) < 1e-9,
                 qPrintable(QString::number(s.interval.confidence)));
    }

    void unstableSeriesAskForEnoughRunsToPinTheMedian_data()
    {
        QTest::addColumn<double>("cv");
        QTest::addColumn<int>("runs");
        QTest::newRow("8 % varies: pi/2 x (1.96 x 8 / 2.5)^2") << 0.08 << 62;
        QTest::newRow("never fewer than a 95 % interval needs") << 0.01 << 6;
    }
    void unstableSeriesAskForEnoughRunsToPinTheMedian()
    {
        QFETCH(double, cv);
        QTEST(runsNeeded(cv), "runs");
    }

    void rankTestIsExactAndTwoSided_data()
    {
        QTest::addColumn<Values>("a");
        QTest::addColumn<Values>("b");
        QTest::addColumn<double>("p");
        QTest::addColumn<double>("u");
        QTest::newRow("three runs each, apart: 2 of 20 splits")
            << Values{1, 2, 3} << Values{4, 5, 6} << 0.1 << 0.0;
        QTest::newRow("five runs each, apart: 2 of 252 splits")
            << Values{4400, 4500, 4450, 4420, 4480} << Values{4900, 5050, 4980, 5010, 4950}
            << 2.0 / 252 << 0.0;
        QTest::newRow("the other way round")
            << Values{4900, 5050, 4980, 5010, 4950} << Values{4400, 4500, 4450, 4420, 4480}
            << 2.0 / 252 << 25.0;
        QTest::newRow("overlapping") << Values{4400, 4500, 4450, 4420, 4480}
                                     << Values{4500, 4350, 4980, 4410, 4950} << 146.0 / 252 << 9.5;
        QTest::newRow("ties across the samples, midranks")
            << Values{100, 102, 102, 104} << Values{102, 104, 106, 108} << 0.2 << 2.5;
        QTest::newRow("identical samples")
            << Values{4376, 4295, 4603} << Values{4376, 4295, 4603} << 1.0 << 4.5;
        QTest::newRow("all values equal") << Values(4, 7) << Values(5, 7) << 1.0 << 10.0;
    }
    void rankTestIsExactAndTwoSided()
    {
        QFETCH(Values, a);
        QFETCH(Values, b);
        QFETCH(double, p);
        const RankTest t = mannWhitney(a, b);
        QVERIFY(t.exact);
        QVERIFY2(std::abs(t.p - p) < 1e-9, qPrintable(QString::number(t.p)));
        QTEST(t.u, "u");
    }

    void largeSamplesUseTheNormalApproximation()
    {
        Values low, high;
        for (int i = 0; i < 60; ++i) {
            low.push_back(4000 + i);
            high.push_back(5000 + i);
        }
        const RankTest apart = mannWhitney(low, high);
        QVERIFY(!apart.exact);
        QVERIFY2(apart.p < 1e-10, qPrintable(QString::number(apart.p)));
        const RankTest same = mannWhitney(low, low);
        QVERIFY(!same.exact);
        QCOMPARE(same.p, 1.0);
    }
};

QTEST_APPLESS_MAIN(TestStatistics)
#include "test_statistics.moc"
