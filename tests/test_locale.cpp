// Numbers written for other programs and files read the same under a locale with a decimal
// comma, as Qt programs switch the C library to the user's: plovex-limit's report,
// _PLOVEX_PRESENT, the result and comparison JSON and the SVG. The locale is made for the
// test with localedef (from the locales package) in a folder of its own.
#include "limitreport.h"
#include "presentreport.h"
#include "report.h"
#include "resultjson.h"
#include "sampleresult.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <functional>

using Writer = std::function<std::string()>;
Q_DECLARE_METATYPE(Writer)

class TestLocale : public QObject
{
    Q_OBJECT

    QTemporaryDir m_locales;

    void useCommaLocale()
    {
        QVERIFY(std::setlocale(LC_ALL, "de_DE.UTF-8"));
        QCOMPARE(std::localeconv()->decimal_point, ",");
    }

private slots:
    void initTestCase()
    {
        const int status = QProcess::execute(
            "localedef", {"-i", "de_DE", "-f", "UTF-8", m_locales.filePath("de_DE.UTF-8")});
        QVERIFY2(status == 0, "localedef failed (is the locales package installed?)");
        qputenv("LOCPATH", m_locales.path().toLocal8Bit());
    }
    void cleanup() { std::setlocale(LC_ALL, "C"); }

    void writesTheSameNumbersUnderACommaLocale_data()
    {
        QTest::addColumn<Writer>("write");
        QTest::newRow("limit report")
            << Writer([] { return LimitReport{40772, 8800.1, 40100, 95.2, 38.4, 61.0}.format(); });
        QTest::newRow("presentation report") << Writer(
            [] { return PresentReport{"shm", 84612, 84613, 84600, 912345, "plain"}.format(); });
        BenchResult a = fullResult(), b = sampleResult({4376.5, 4295, 4603});
        b.environment.refreshHz.reset();
        const Comparison c = compareResults({a, b}, {"a.json", "b.json"}, true, 2.5);
        QTest::newRow("result JSON") << Writer([a] { return toJson(a, judge(a)).toStdString(); });
        QTest::newRow("comparison JSON") << Writer([c] { return comparisonJson(c).toStdString(); });
        QTest::newRow("picture") << Writer([c] { return comparisonPicture(c); });
    }
    void writesTheSameNumbersUnderACommaLocale()
    {
        QFETCH(Writer, write);
        const std::string inC = write();
        QVERIFY(inC.find_first_of("0123456789") != std::string::npos);
        useCommaLocale();
        QCOMPARE(write(), inC);
    }

    void readsWhatIsWrittenUnderACommaLocale()
    {
        const LimitReport limit{40772, 8800.1, 40100, 95.2, 38.4, 61.0};
        const PresentReport present{"shm", 84612, 84613, 84600, 912345, "plain"};
        useCommaLocale();
        QCOMPARE(LimitReport::parse(limit.format()), std::optional(limit));
        QCOMPARE(PresentReport::parse(present.format()), std::optional(present));
        QCOMPARE(plainNumber(4633.1, 1), "4633.1");
    }
};

QTEST_APPLESS_MAIN(TestLocale)
#include "test_locale.moc"
