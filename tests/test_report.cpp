// What plovex-bench prints: the comparison of two results, which the rank test decides and
// which differing environments stop, and the table's verdict on an unstable series.
#include "report.h"
#include "sampleresult.h"

#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void comparisonSaysWhetherBIsFasterAndHowSure_data()
    {
        QTest::addColumn<std::vector<double>>("a");
        QTest::addColumn<std::vector<double>>("b");
        QTest::addColumn<bool>("otherServer");
        QTest::addColumn<bool>("force");
        QTest::addColumn<double>("significance");
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<QStringList>("never");
        const std::vector<double> low{4400, 4500, 4450, 4420, 4480};
        const std::vector<double> high{4900, 5050, 4980, 5010, 4950};
        const std::vector<double> three{4376, 4295, 4603};
        QTest::newRow("B faster") << low << high << false << false << kSignificance
                                  << QStringList{"B is 12 % faster (p = 0.008, exact Mann-Whitney "
                                                 "test)"}
                                  << QStringList{"no significant"};
        QTest::newRow("B slower") << high << low << false << false << kSignificance
                                  << QStringList{"B is 11 % slower (p = 0.008"}
                                  << QStringList{"no significant"};
        QTest::newRow("identical three runs")
            << three << three << false << false << kSignificance
            << QStringList{"no significant difference at 5 % (B's median is 0.0 % higher; p = "
                           "1.000",
                           "with 3 and 3 runs no difference can reach 5 % (the smallest possible "
                           "p is 0.100)"}
            << QStringList{"faster", "slower"};
        QTest::newRow("identical three runs at 1 %")
            << three << three << false << false << 0.01
            << QStringList{"no significant difference at 1 % (B's",
                           "no difference can reach 1 % (the smallest possible p is 0.100); "
                           "measure at least 5 runs each"}
            << QStringList{"5 %"};
        QTest::newRow("ties, four runs each")
            << std::vector<double>{100, 102, 102, 104} << std::vector<double>{102, 104, 106, 108}
            << false << false << kSignificance
            << QStringList{"no significant difference at 5 % (B's median is 2.9 % higher; p = "
                           "0.200"}
            << QStringList{"can reach"};
        QTest::newRow("different X servers refused")
            << low << high << true << false << kSignificance
            << QStringList{"different environments (X server: Xvfb, The X.Org Foundation 12101007 "
                           "vs Xorg, The X.Org Foundation 12101007)",
                           "--force"}
            << QStringList{"faster"};
        QTest::newRow("different X servers forced")
            << low << high << true << true << kSignificance
            << QStringList{"note: the environments differ in X server", "B is 12 % faster"}
            << QStringList();
    }
    void comparisonSaysWhetherBIsFasterAndHowSure()
    {
        QFETCH(std::vector<double>, a);
        QFETCH(std::vector<double>, b);
        QFETCH(bool, otherServer);
        QFETCH(bool, force);
        QFETCH(double, significance);
        QFETCH(QStringList, says);
        QFETCH(QStringList, never);
        BenchResult rb = sampleResult(b);
        if (otherServer)
            rb.environment.xServer = "Xorg, The X.Org Foundation 12101007";
        Levels levels;
        levels.significance = significance;
        const Comparison c = compareResults(sampleResult(a), "A", rb, "B", force, levels);
        QCOMPARE(c.refused, otherServer && !force);
        for (const QString &s : says)
            QVERIFY2(c.text.contains(s), qPrintable(c.text));
        for (const QString &s : never)
            QVERIFY2(!c.text.contains(s), qPrintable(c.text));
    }

    void tableSaysHowSureTheMedianIs_data()
    {
        QTest::addColumn<std::vector<double>>("scores");
        QTest::addColumn<double>("confidence");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("unstable");
        const std::vector<double> close{4376, 4295, 4603};
        QTest::newRow("4 % apart") << close << kConfidenceLevel
                                   << "with 75 % confidence (95 % needs at least 6 runs)" << false;
        // Variation 8.04 %: pi/2 x (1.96 x 8.04 / 2.5)^2 = 62.4.
        QTest::newRow("12 % apart") << std::vector<double>{4000, 4400, 4700} << kConfidenceLevel
                                    << "UNSTABLE: the runs vary by 8.0 %, more than 5 %; about 63 "
                                       "runs would pin the median to within 2.5 %"
                                    << true;
        QTest::newRow("at 99 %") << close << 0.99
                                 << "with 75 % confidence (99 % needs at least 8 runs)" << false;
    }
    void tableSaysHowSureTheMedianIs()
    {
        QFETCH(std::vector<double>, scores);
        QFETCH(double, confidence);
        QFETCH(QString, says);
        QFETCH(bool, unstable);
        Levels levels;
        levels.confidence = confidence;
        const QString table = resultTable(sampleResult(scores), levels);
        QVERIFY2(table.contains(says), qPrintable(table));
        QCOMPARE(table.contains("UNSTABLE"), unstable);
    }

    // Read back as a browser would: one row per machine with a dot per run, the median's
    // bar, the limit only where measured, the verdict on top and the differences below.
    void pictureOfAComparisonShowsEveryRunAndTheVerdict()
    {
        BenchResult a = sampleResult({4400, 4500, 4450, 4420, 4480});
        a.limitRuns.push_back({9000, 79200, 0, std::nullopt, std::nullopt, std::nullopt});
        BenchResult b = sampleResult({4900, 5050, 4980, 5010, 4950, 5000});
        b.environment.xServer = "Xorg, The X.Org Foundation 12101007";
        const Comparison c = compareResults(a, "A", b, "B & <other>", true);
        QXmlStreamReader svg(
            QByteArray::fromStdString(comparisonPicture(a, "A", b, "B & <other>", c)));
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
        QCOMPARE(rows[1]["name"][0].value("data-name"), u"B & <other>");
        for (std::size_t i = 0; i < 2; ++i) {
            const BenchResult &r = i ? b : a;
            const Summary s = summarise(scores(r));
            QCOMPARE(rows[i]["run"].size(), r.runs.size());
            std::vector<std::pair<double, double>> dots; // score, x
            for (const auto &dot : rows[i]["run"])
                dots.push_back({dot.value("data-score").toDouble(), dot.value("cx").toDouble()});
            std::sort(dots.begin(), dots.end());
            QCOMPARE(dots.front().first, s.min);
            QVERIFY(std::is_sorted(dots.begin(), dots.end(),
                                   [](auto &l, auto &r) { return l.second < r.second; }));
            QCOMPARE(rows[i]["interval"][0].value("data-low").toDouble(), s.interval.low);
            QCOMPARE(rows[i]["interval"][0].value("data-high").toDouble(), s.interval.high);
            QCOMPARE(rows[i]["median"][0].value("data-median").toDouble(), s.median);
            QCOMPARE(rows[i]["limit"].size(), i ? 0u : 1u);
        }
        QCOMPARE(rows[0]["limit"][0].value("data-fps").toDouble(), 9000.0);
        QCOMPARE(texts,
                 (QStringList{"title: " + c.verdict,
                              "note: the environments differ in X server: Xvfb, The X.Org "
                              "Foundation 12101007 vs Xorg, The X.Org Foundation 12101007"}));
    }
};

QTEST_APPLESS_MAIN(TestReport)
#include "test_report.moc"
