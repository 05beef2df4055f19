// The presentation report: what the program writes is what the readers get back, and a
// text that is not a report is refused rather than read as zeros.
#include "presentreport.h"

#include <QTest>

Q_DECLARE_METATYPE(PresentReport)
Q_DECLARE_METATYPE(std::optional<PresentReport>)

class TestPresentReport : public QObject
{
    Q_OBJECT

private slots:
    void readsBackWhatIsWritten_data()
    {
        QTest::addColumn<PresentReport>("report");
        QTest::addColumn<QString>("text");
        PresentReport shm{"shm", 84612, 84613, 84600, 912345, ""};
        QTest::newRow("shared memory")
            << shm
            << "path=shm frames=84612 puts=84613 waited=84600 wait_us=912345 "
               "wait_us_per_frame=10.8";
        PresentReport qt{"qt", 16000, 16001, std::nullopt, std::nullopt, ""};
        QTest::newRow("no waits seen") << qt << "path=qt frames=16000 puts=16001";
        PresentReport clear{"shm", 0, 1, 0, 0, "plain"};
        QTest::newRow("no frames, with the clear")
            << clear << "path=shm frames=0 puts=1 waited=0 wait_us=0 clear=plain";
    }
    void readsBackWhatIsWritten()
    {
        QFETCH(PresentReport, report);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(report.format()), text);
        QCOMPARE(PresentReport::parse(text.toStdString()), std::optional(report));
    }

    void refusesWhatIsNoReport_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("no path") << "frames=10 puts=10";
        QTest::newRow("no frames") << "path=shm puts=10";
        QTest::newRow("a count that is no number") << "path=shm frames=12a puts=10";
        QTest::newRow("a negative count") << "path=shm frames=-1";
        QTest::newRow("a word without a value") << "path=shm frames=10 waited";
        QTest::newRow("an empty path") << "path= frames=10";
    }
    void refusesWhatIsNoReport()
    {
        QFETCH(QString, text);
        QCOMPARE(PresentReport::parse(text.toStdString()), std::nullopt);
    }

    void passesOverFieldsItDoesNotKnow()
    {
        const auto report =
            PresentReport::parse("path=gdi frames=5 later=x puts=6  wait_us_per_frame=9");
        QVERIFY(report);
        QCOMPARE(report->path, "gdi");
        QCOMPARE(report->frames, 5u);
        QCOMPARE(report->puts, 6u);
    }
};

QTEST_APPLESS_MAIN(TestPresentReport)
#include "test_presentreport.moc"
