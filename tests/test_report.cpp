// What plovex-bench prints, on results whose figures were worked out by hand: the comparison
// of several results, which the rank test decides and differing environments stop, its
// table, the result's table, and the picture a browser reads back.
#include "report.h"
#include "sampleresult.h"

#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>

using Scores = std::vector<double>;

namespace {

const Scores kLow{4400, 4500, 4450, 4420, 4480};  // median 4450, 4400 to 4500 at 93.8 %
const Scores kHigh{4900, 5050, 4980, 5010, 4950}; // median 4980
const Scores kThree{4376, 4295, 4603};

// The cells of each line, split at runs of two or more spaces.
QList<QStringList> cells(const QString &text)
{
    QList<QStringList> lines;
    for (const QString &line : text.split('\n', Qt::SkipEmptyParts))
        lines.append(line.trimmed().split(QRegularExpression(" {2,}")));
    return lines;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void comparisonSaysWhetherLaterResultsDiffer_data()
    {
        QTest::addColumn<QList<Scores>>("results");
        QTest::addColumn<bool>("otherServer"); // for B
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<QStringList>("never");
        QTest::newRow("B faster") << QList<Scores>{kLow, kHigh} << false
                                  << QStringList{"B is 12 % faster than A (p = 0.008, exact "
                                                 "Mann-Whitney test)"}
                                  << QStringList{"no significant", "Holm"};
        QTest::newRow("B slower") << QList<Scores>{kHigh, kLow} << false
                                  << QStringList{"B is 11 % slower than A (p = 0.008"}
                                  << QStringList{"no significant"};
        QTest::newRow("identical three runs")
            << QList<Scores>{kThree, kThree} << false
            << QStringList{"B: no significant difference from A at 5 % (B's median is 0.0 % "
                           "higher; p = 1.000",
                           "with 3 and 3 runs no difference can reach 5 % (the smallest possible "
                           "p is 0.100); measure at least 4 runs each"}
            << QStringList{"faster", "slower"};
        QTest::newRow("ties, four runs each")
            << QList<Scores>{{100, 102, 102, 104}, {102, 104, 106, 108}} << false
            << QStringList{"B: no significant difference from A at 5 % (B's median is 2.9 % "
                           "higher; p = 0.200"}
            << QStringList{"can reach"};
        // B alone would be significant (2 of 56 splits); corrected for two comparisons not.
        QTest::newRow("Holm's correction")
            << QList<Scores>{kLow, {4900, 5050, 4980}, kThree} << false
            << QStringList{"B: no significant difference from A at 5 % (B's median is 11.9 % "
                           "higher; p = 0.036; p = 0.071 after Holm's correction for 2 "
                           "comparisons",
                           "C: no significant difference from A at 5 %"}
            << QStringList{"faster"};
        QTest::newRow("Holm's correction, both apart")
            << QList<Scores>{kLow, kHigh, kHigh} << false
            << QStringList{"B is 12 % faster than A (p = 0.008; p = 0.016 after Holm's "
                           "correction for 2 comparisons",
                           "C is 12 % faster than A"}
            << QStringList{"no significant"};
        QTest::newRow("different X servers refused")
            << QList<Scores>{kLow, kHigh} << true
            << QStringList{"different environments (X server: Xvfb, The X.Org Foundation 12101007 "
                           "in A, Xorg, The X.Org Foundation 12101007 in B); --force"}
            << QStringList{"faster"};
    }
    void comparisonSaysWhetherLaterResultsDiffer()
    {
        QFETCH(QList<Scores>, results);
        QFETCH(bool, otherServer);
        QFETCH(QStringList, says);
        QFETCH(QStringList, never);
        std::vector<BenchResult> rs;
        for (const Scores &s : results)
            rs.push_back(sampleResult(s));
        if (otherServer)
            rs[1].environment.xServer = "Xorg, The X.Org Foundation 12101007";
        const Comparison c = compareResults(rs, QStringList{"a", "b", "c"}.mid(0, results.size()),
                                            false, std::nullopt);
        QCOMPARE(c.refused, otherServer);
        const QString text = comparisonTable(c);
        for (const QString &s : says)
            QVERIFY2(text.contains(s), qPrintable(text));
        for (const QString &s : never)
            QVERIFY2(!text.contains(s), qPrintable(text));
    }

    void comparisonTableHasARowPerResultAndTheGate()
    {
        BenchResult a = sampleResult(kLow);
        a.limitRuns.push_back({9000, 79200, 0, {}, {}, {}, {}, {}});
        BenchResult c = sampleResult({3900, 3950, 3920, 3960, 3910});
        c.environment.xServer = "Xorg, The X.Org Foundation 12101007";
        const QString text = comparisonTable(compareResults(
            {a, sampleResult(kThree), c}, {"a.json", "three.json", "c.json"}, true, 5));
        const QList<QStringList> lines = cells(text);
        QCOMPARE(lines[1], (QStringList{"A", "4450", "4400 to 4500 (94 %)", "5", "0.9 %", "9000",
                                        "1.00", "a.json, 2026-12-08T10:00:00Z"}));
        QCOMPARE(lines[2], (QStringList{"B", "4376", "4295 to 4603 (75 %)", "3", "3.6 %", "-",
                                        "0.98", "three.json, 2026-12-08T10:00:00Z"}));
        QCOMPARE(lines[3][0], "C");
        QCOMPARE(lines[3][6], "0.88");
        QVERIFY2(text.contains("note: the environments differ in X server: Xvfb, The X.Org "
                               "Foundation 12101007 in A and B, Xorg, The X.Org Foundation "
                               "12101007 in C\n"),
                 qPrintable(text));
        QVERIFY2(text.contains("C is 12 % slower than A (p = 0.008; p = 0.016 after Holm's"),
                 qPrintable(text));
        QVERIFY2(text.endsWith("gate: FAILED (a result significantly slower than A by more than "
                               "5 % fails it)\n"),
                 qPrintable(text));
    }

    void tableSaysHowSureTheMedianIsAndWhatEndedTheRuns_data()
    {
        QTest::addColumn<Scores>("scores");
        QTest::addColumn<int>("ended");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("unstable");
        const auto runs = int(EndedBy::Runs), precision = int(EndedBy::Precision);
        QTest::newRow("4 % apart") << kThree << runs
                                   << "with 75 % confidence (95 % needs at least 6 runs)\n"
                                      "          the runs ended after the 3 asked for"
                                   << false;
        // Variation 8.04 %: pi/2 x (1.96 x 8.04 / 2.5)^2 = 62.4.
        QTest::newRow("12 % apart")
            << Scores{4000, 4400, 4700} << runs
            << "UNSTABLE: the runs vary by 8.0 %, more than 5 %; about 63 runs would pin the "
               "median to within 2.5 % (--precision 2.5 runs until then)"
            << true;
        // 100 to 105 about 102.5: 2.44 % either side at most.
        QTest::newRow("pinned") << Scores{100, 101, 102, 103, 104, 105} << precision
                                << "the runs ended when the median was pinned to within ±2.5 % "
                                   "(±2.4 %), after 6"
                                << false;
        QTest::newRow("the most runs")
            << kThree << int(EndedBy::MaxRuns)
            << "the runs ended at the most allowed, 3, before the median was pinned to within "
               "±2.5 %\n"
            << false;
    }
    void tableSaysHowSureTheMedianIsAndWhatEndedTheRuns()
    {
        QFETCH(Scores, scores);
        QFETCH(int, ended);
        QFETCH(QString, says);
        QFETCH(bool, unstable);
        BenchResult r = sampleResult(scores);
        r.endedBy = EndedBy(ended);
        if (r.endedBy != EndedBy::Runs)
            r.precisionPercent = 2.5;
        const QString table = resultTable(r, judge(r));
        QVERIFY2(table.contains(says), qPrintable(table));
        QCOMPARE(table.contains("UNSTABLE"), unstable);
    }

    // Names are printed as they are, even one that looks like a place for a figure.
    void namesArePrintedAsTheyAre()
    {
        BenchResult r = sampleResult(kThree);
        r.environment.cpuModel = "Model %2";
        const QString table = resultTable(r, judge(r));
        QVERIFY2(table.contains("per frame on Model %2 (2 cores):"), qPrintable(table));
    }

    // Read back as a browser would: one row per result with a dot per run, the median's bar,
    // the limit only where measured, the verdict on top and the differences below.
    void pictureOfAComparisonShowsEveryRunAndTheVerdict()
    {
        BenchResult a = sampleResult(kLow);
        a.limitRuns.push_back({9000, 79200, 0, {}, {}, {}, {}, {}});
        BenchResult b = sampleResult({4900, 5050, 4980, 5010, 4950, 5000});
        b.environment.xServer = "Xorg, The X.Org Foundation 12101007";
        const Comparison c = compareResults({a, b}, {"a.json", "B & <other>"}, true, std::nullopt);
        QXmlStreamReader svg(QByteArray::fromStdString(comparisonPicture(c)));
        std::vector<std::map<QString, std::vector<QXmlStreamAttributes>>> rows;
        QStringList texts;
        while (!svg.atEnd()) {
            if (svg.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QString kind = svg.attributes().value("class").toString();
            if (kind == "machine")
                rows.emplace_back()["name"].push_back(svg.attributes());
            else if (!rows.empty() && !kind.isEmpty())
                rows.back()[kind].push_back(svg.attributes());
            if (svg.name() == u"text" && (kind == "title" || kind == "note"))
                texts.append(kind + ": " + svg.readElementText());
        }
        QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
        QCOMPARE(rows.size(), 2u);
        QCOMPARE(rows[1]["name"][0].value("data-name"), u"B = B & <other>");
        // Sorted: 4900 4950 4980 5000 5010 5050; six runs reach 95 % with the outermost.
        const std::tuple<Scores, double, double, double, double> expected[] = {
            {kLow, 4450, 4400, 4500, 0.9375},
            {{4900, 5050, 4980, 5010, 4950, 5000}, 4990, 4900, 5050, 0.96875},
        };
        for (std::size_t i = 0; i < 2; ++i) {
            const auto &[scores, median, low, high, confidence] = expected[i];
            std::vector<std::pair<double, double>> dots; // score, x
            for (const auto &dot : rows[i]["run"])
                dots.push_back({dot.value("data-score").toDouble(), dot.value("cx").toDouble()});
            std::sort(dots.begin(), dots.end());
            Scores drawn;
            for (const auto &[score, x] : dots)
                drawn.push_back(score);
            Scores sorted = scores;
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(drawn, sorted);
            QVERIFY(std::is_sorted(dots.begin(), dots.end(),
                                   [](auto &l, auto &r) { return l.second < r.second; }));
            const QXmlStreamAttributes &interval = rows[i]["interval"][0];
            QCOMPARE(interval.value("data-low").toDouble(), low);
            QCOMPARE(interval.value("data-high").toDouble(), high);
            QCOMPARE(interval.value("data-confidence").toDouble(), confidence);
            QCOMPARE(rows[i]["median"][0].value("data-median").toDouble(), median);
            QCOMPARE(rows[i]["limit"].size(), i ? 0u : 1u);
        }
        QCOMPARE(rows[0]["limit"][0].value("data-fps").toDouble(), 9000.0);
        QCOMPARE(texts, (QStringList{"title: B is 12 % faster than A (p = 0.004, exact "
                                     "Mann-Whitney test)",
                                     "note: the environments differ in X server: Xvfb, The X.Org "
                                     "Foundation 12101007 in A, Xorg, The X.Org Foundation "
                                     "12101007 in B"}));
    }
};

QTEST_APPLESS_MAIN(TestReport)
#include "test_report.moc"
