// What plovex-bench prints: the comparison of two results, which the rank test decides and
// which differing environments stop, and the table's verdict on an unstable series.
#include "report.h"
#include "sampleresult.h"

#include <QTest>

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
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<QStringList>("never");
        const std::vector<double> low{4400, 4500, 4450, 4420, 4480};
        const std::vector<double> high{4900, 5050, 4980, 5010, 4950};
        const std::vector<double> three{4376, 4295, 4603};
        QTest::newRow("B faster") << low << high << false << false
                                  << QStringList{"B is 12 % faster (p = 0.008, exact Mann-Whitney "
                                                 "test)"}
                                  << QStringList{"no significant"};
        QTest::newRow("B slower") << high << low << false << false
                                  << QStringList{"B is 11 % slower (p = 0.008"}
                                  << QStringList{"no significant"};
        QTest::newRow("identical three runs")
            << three << three << false << false
            << QStringList{"no significant difference at 5 % (B's median is 0.0 % higher; p = "
                           "1.000",
                           "with 3 and 3 runs no difference can reach 5 % (the smallest possible "
                           "p is 0.100)"}
            << QStringList{"faster", "slower"};
        QTest::newRow("ties, four runs each")
            << std::vector<double>{100, 102, 102, 104} << std::vector<double>{102, 104, 106, 108}
            << false << false
            << QStringList{"no significant difference at 5 % (B's median is 2.9 % higher; p = "
                           "0.200"}
            << QStringList{"can reach"};
        QTest::newRow("different X servers refused")
            << low << high << true << false
            << QStringList{"different environments (X server: Xvfb, The X.Org Foundation 12101007 "
                           "vs Xorg, The X.Org Foundation 12101007)",
                           "--force"}
            << QStringList{"faster"};
        QTest::newRow("different X servers forced")
            << low << high << true << true
            << QStringList{"note: the environments differ in X server", "B is 12 % faster"}
            << QStringList();
    }
    void comparisonSaysWhetherBIsFasterAndHowSure()
    {
        QFETCH(std::vector<double>, a);
        QFETCH(std::vector<double>, b);
        QFETCH(bool, otherServer);
        QFETCH(bool, force);
        QFETCH(QStringList, says);
        QFETCH(QStringList, never);
        BenchResult rb = sampleResult(b);
        if (otherServer)
            rb.environment.xServer = "Xorg, The X.Org Foundation 12101007";
        const Comparison c = compareResults(sampleResult(a), "A", rb, "B", force);
        QCOMPARE(c.refused, otherServer && !force);
        for (const QString &s : says)
            QVERIFY2(c.text.contains(s), qPrintable(c.text));
        for (const QString &s : never)
            QVERIFY2(!c.text.contains(s), qPrintable(c.text));
    }

    void tableMarksAnUnstableSeriesWithTheRunsItNeeds_data()
    {
        QTest::addColumn<std::vector<double>>("scores");
        QTest::addColumn<QString>("unstable"); // empty: not marked
        QTest::newRow("4 % apart") << std::vector<double>{4376, 4295, 4603} << QString();
        // Variation 8.04 %: pi/2 x (1.96 x 8.04 / 2.5)^2 = 62.4.
        QTest::newRow("12 % apart") << std::vector<double>{4000, 4400, 4700}
                                    << "UNSTABLE: the runs vary by 8.0 %, more than 5 %; about 63 "
                                       "runs";
    }
    void tableMarksAnUnstableSeriesWithTheRunsItNeeds()
    {
        QFETCH(std::vector<double>, scores);
        QFETCH(QString, unstable);
        const QString table = resultTable(sampleResult(scores));
        QVERIFY2(table.contains("UNSTABLE") == !unstable.isEmpty(), qPrintable(table));
        if (!unstable.isEmpty())
            QVERIFY2(table.contains(unstable), qPrintable(table));
    }
};

QTEST_APPLESS_MAIN(TestReport)
#include "test_report.moc"
