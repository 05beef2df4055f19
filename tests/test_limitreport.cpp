// plovex-limit's report: what the program writes is what plovex-bench reads back, and a line
// that is not a whole report is refused rather than read as zeros.
#include "limitreport.h"

#include <QTest>

Q_DECLARE_METATYPE(LimitReport)

class TestLimitReport : public QObject
{
    Q_OBJECT

private slots:
    void readsBackWhatIsWritten_data()
    {
        QTest::addColumn<LimitReport>("report");
        QTest::addColumn<QString>("line");
        QTest::newRow("a run") << LimitReport{40772, 8800.1, 40100, 95.2, 38.4, 61.0}
                               << "frames=40772 ms=8800.1 fps=4633.1 waited=40100 cpu_us=95.2 "
                                  "draw_us=38.4 wait_us=61.0";
        QTest::newRow("nothing waited") << LimitReport{96307, 8800.0, 0, 52.7, 30.0, 0}
                                        << "frames=96307 ms=8800.0 fps=10944.0 waited=0 "
                                           "cpu_us=52.7 draw_us=30.0 wait_us=0.0";
    }
    void readsBackWhatIsWritten()
    {
        QFETCH(LimitReport, report);
        QFETCH(QString, line);
        QCOMPARE(QString::fromStdString(report.format()), line);
        QCOMPARE(LimitReport::parse(line.toStdString()), std::optional(report));
    }

    void refusesWhatIsNoReport_data()
    {
        QTest::addColumn<QString>("line");
        const QString good = "frames=40772 ms=8800.1 fps=4633.1 waited=40100 cpu_us=95.2 "
                             "draw_us=38.4 wait_us=61.0";
        QTest::newRow("empty") << "";
        QTest::newRow("a field missing") << QString(good).remove(" draw_us=38.4");
        QTest::newRow("fields out of order")
            << "ms=8800.1 frames=40772 fps=4633.1 waited=40100 cpu_us=95.2 draw_us=38.4 "
               "wait_us=61.0";
        QTest::newRow("a decimal comma") << QString(good).replace("8800.1", "8800,1");
        QTest::newRow("a fraction of a frame") << QString(good).replace("40772", "40772.5");
        QTest::newRow("a negative time") << QString(good).replace("95.2", "-95.2");
        QTest::newRow("something after it") << good + " later=1";
    }
    void refusesWhatIsNoReport()
    {
        QFETCH(QString, line);
        QCOMPARE(LimitReport::parse(line.toStdString()), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(TestLimitReport)
#include "test_limitreport.moc"
