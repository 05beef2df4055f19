// How sure a series is and whether two differ, on fixed data whose figures were worked out
// by hand or by enumerating every split of the pooled runs; and what stopping the runs once
// the median is pinned does to its interval's coverage, on distributions whose median is
// known.
#include "result.h"
#include "statistics.h"

#include <QTest>

#include <array>
#include <functional>
#include <random>

using Values = std::vector<double>;
// A distribution to draw scores from.
using Draw = std::function<double(std::mt19937 &)>;
Q_DECLARE_METATYPE(Draw)

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

    void holmCorrectsForTheNumberOfComparisons_data()
    {
        QTest::addColumn<Values>("p");
        QTest::addColumn<Values>("corrected");
        QTest::newRow("one test keeps its p") << Values{0.03} << Values{0.03};
        // 0.01 x 3; 0.03 x 2; 0.04 x 1 would fall below the 0.06 before it.
        QTest::newRow("three, in any order")
            << Values{0.04, 0.01, 0.03} << Values{0.06, 0.03, 0.06};
        QTest::newRow("never above 1") << Values{0.5, 0.6} << Values{1.0, 1.0};
    }
    void holmCorrectsForTheNumberOfComparisons()
    {
        QFETCH(Values, p);
        QFETCH(Values, corrected);
        const Values got = holm(p);
        QCOMPARE(got.size(), corrected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            QVERIFY2(std::abs(got[i] - corrected[i]) < 1e-12, qPrintable(QString::number(got[i])));
    }

    void runsEndWhenTheMedianIsPinned_data()
    {
        QTest::addColumn<Values>("scores");
        QTest::addColumn<int>("runs");                  // asked for
        QTest::addColumn<double>("precision");          // 0: none asked for
        QTest::addColumn<int>("ended");                 // -1: the runs go on
        const Values six{100, 101, 102, 103, 104, 105}; // 100 to 105 at 96.9 %, median 102.5
        QTest::newRow("the runs asked for")
            << Values{1, 2, 3, 4, 5} << 5 << 0.0 << int(EndedBy::Runs);
        QTest::newRow("fewer than asked") << Values{1, 2, 3, 4} << 5 << 0.0 << -1;
        QTest::newRow("within 2.5 %: 2.5 of 102.5") << six << 5 << 2.5 << int(EndedBy::Precision);
        QTest::newRow("not within 2 %") << six << 5 << 2.0 << -1;
        // Five equal runs: no spread, but min to max holds the median with 93.75 % only.
        QTest::newRow("no interval reaches 95 % yet") << Values(5, 4000.0) << 5 << 2.5 << -1;
        QTest::newRow("pinned before the runs asked for") << Values(6, 4000.0) << 7 << 2.5 << -1;
        QTest::newRow("the most runs")
            << Values{1, 9, 1, 9, 1, 9, 1, 9, 1, 9} << 5 << 2.5 << int(EndedBy::MaxRuns);
    }
    void runsEndWhenTheMedianIsPinned()
    {
        QFETCH(Values, scores);
        QFETCH(int, runs);
        QFETCH(double, precision);
        const auto end =
            endedBy(scores, runs, precision > 0 ? std::optional(precision) : std::nullopt, 10);
        QTEST(end ? int(*end) : -1, "ended");
    }

    // Stopping once the interval is narrow enough picks samples that happen to lie close
    // together: the coverage of the last interval falls below what a fixed number of runs
    // gives. Measured here, with plovex-bench's default start of 5 runs, ±2.5 % and at most
    // 30 runs, over 4000 series each.
    void stoppingOnTheDataKeepsMostOfTheCoverage_data()
    {
        QTest::addColumn<Draw>("draw"); // each with the median 4400
        QTest::newRow("normal, 5 % apart")
            << Draw([](std::mt19937 &g) { return std::normal_distribution<double>(4400, 220)(g); });
        // A long tail of fast runs; the median is exp(mu).
        QTest::newRow("log-normal, 4 % apart") << Draw([](std::mt19937 &g) {
            return std::lognormal_distribution<double>(std::log(4400), 0.04)(g);
        });
        // One run in ten 10 % slower and one 10 % faster: the median stays.
        QTest::newRow("disturbed runs either way") << Draw([](std::mt19937 &g) {
            const double shift = std::array{-440, 440, 0, 0, 0, 0, 0, 0, 0, 0}[g() % 10];
            return std::normal_distribution<double>(4400, 88)(g) + shift;
        });
    }
    void stoppingOnTheDataKeepsMostOfTheCoverage()
    {
        QFETCH(Draw, draw);
        constexpr double median = 4400;
        std::mt19937 generator(20261209);
        constexpr int kSeries = 4000;
        int covered = 0, coveredFixed = 0, pinned = 0;
        double runs = 0;
        for (int k = 0; k < kSeries; ++k) {
            Values scores;
            std::optional<EndedBy> end;
            while (!(end = endedBy(scores, 5, 2.5, 30)))
                scores.push_back(draw(generator));
            const Summary s = summarise(scores);
            covered += s.interval.low <= median && median <= s.interval.high;
            pinned += *end == EndedBy::Precision;
            runs += double(scores.size());
            if (*end == EndedBy::Precision)
                QVERIFY2(s.interval.confidence >= kConfidenceLevel,
                         "stopped before the interval reached 95 %");
            // The same number of runs fixed in advance: the interval's own coverage.
            Values fixed;
            for (std::size_t i = 0; i < scores.size(); ++i)
                fixed.push_back(draw(generator));
            const Summary f = summarise(fixed);
            coveredFixed += f.interval.low <= median && median <= f.interval.high;
        }
        const double coverage = double(covered) / kSeries,
                     fixedCoverage = double(coveredFixed) / kSeries;
        qInfo("%s: stopping on the data covered the median in %.1f %% of series (the same "
              "numbers of runs fixed in advance: %.1f %%); %.1f runs on average, %.0f %% pinned",
              QTest::currentDataTag(), coverage * 100, fixedCoverage * 100, runs / kSeries,
              100.0 * pinned / kSeries);
        QVERIFY2(coverage >= 0.92, qPrintable(QString::number(coverage)));
        QVERIFY2(fixedCoverage >= 0.94, qPrintable(QString::number(fixedCoverage)));
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
