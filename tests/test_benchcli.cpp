// plovex-bench as a command, on results made up for it (nothing is measured): its exit
// statuses, one line on standard error for what it cannot use, the comparison of several
// results, the gate, and JSON on standard output.
#include "resultjson.h"
#include "sampleresult.h"
#include "verdict.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Ran
{
    int status = -1;
    QByteArray out, err;
};

Ran bench(const QStringList &arguments)
{
    QProcess p;
    p.start(PLOVEX_BENCH, arguments);
    Ran ran;
    if (p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit)
        ran.status = p.exitCode();
    ran.out = p.readAllStandardOutput();
    ran.err = p.readAllStandardError();
    return ran;
}

} // namespace

class TestBenchCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Files in the temporary folder: "A" a result of 5 runs, "slower" 12 % below it, "spread"
    // 17 % below it but overlapping, "three" a result of three runs, "xorg" A on another
    // server, "broken" half of a file.
    QString file(const QString &name) const { return m_dir.filePath(name + ".json"); }

private slots:
    void initTestCase()
    {
        const std::pair<const char *, BenchResult> results[] = {
            {"A", sampleResult({4400, 4500, 4450, 4420, 4480})},
            {"slower", sampleResult({3900, 3950, 3920, 3960, 3910})},
            {"three", sampleResult({4376, 4295, 4603})},
            {"spread", sampleResult({3500, 4600, 3600, 4550, 3700})},
        };
        BenchResult xorg = results[0].second;
        xorg.environment.xServer = "Xorg, The X.Org Foundation 12101007";
        for (const auto &[name, r] : results)
            saveFile(file(name), toJson(r, judge(r)));
        saveFile(file("xorg"), toJson(xorg, judge(xorg)));
        saveFile(file("broken"), toJson(xorg, judge(xorg)).left(100));
    }

    // Exit status 2 and one line on standard error, for a file or an argument it cannot use.
    void unusableFilesAndArgumentsEndWithOneLineAndStatusTwo_data()
    {
        QTest::addColumn<QStringList>("arguments"); // a name in the folder stands for its file
        QTest::addColumn<QString>("says");
        QTest::newRow("missing file") << QStringList{"--compare", "/nonexistent/a.json", "A"}
                                      << "cannot read /nonexistent/a.json";
        QTest::newRow("a directory") << QStringList{"--compare", "/", "A"} << "is a directory";
        QTest::newRow("a broken file") << QStringList{"--compare", "A", "broken"} << "not JSON";
        QTest::newRow("no runs to measure")
            << QStringList{"--runs", "0"} << "--runs takes a whole number from 1";
        QTest::newRow("more limit runs than runs")
            << QStringList{"--runs", "2", "--limit-runs", "3"}
            << "--limit-runs takes a whole number from 0 to 2";
        QTest::newRow("no precision")
            << QStringList{"--precision", "0"} << "--precision takes a number from 0.1 to 50";
        QTest::newRow("most runs without a precision")
            << QStringList{"--max-runs", "9"} << "--max-runs has no place without --precision";
        QTest::newRow("one file to compare")
            << QStringList{"--compare", "A"} << "2 to 26 result files";
        QTest::newRow("measuring options with --compare")
            << QStringList{"--compare", "--xvfb", "A", "A"} << "--xvfb has no place";
        QTest::newRow("a gate without a comparison")
            << QStringList{"--fail-if-slower", "5"} << "--fail-if-slower has no place without";
        QTest::newRow("one processor without a private server")
            << QStringList{"--one-cpu"} << "--one-cpu needs --xvfb";
        QTest::newRow("an unwritable picture of a comparison")
            << QStringList{"--compare", "A", "A", "--svg", "/nonexistent/c.svg"}
            << "cannot write /nonexistent/c.svg";
        QTest::newRow("an unwritable picture of a measurement")
            << QStringList{"--xvfb", "--svg", "/nonexistent/c.svg"} << "cannot write /nonexistent";
        QTest::newRow("unknown option") << QStringList{"--fast"} << "Unknown option 'fast'";
    }
    void unusableFilesAndArgumentsEndWithOneLineAndStatusTwo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        for (QString &a : arguments)
            if (QFile::exists(file(a)))
                a = file(a);
        const Ran ran = bench(arguments);
        QCOMPARE(ran.status, 2);
        QCOMPARE(ran.out, QByteArray());
        QVERIFY2(ran.err.startsWith("plovex-bench: ") && ran.err.count('\n') == 1, ran.err);
        QVERIFY2(ran.err.contains(says.toUtf8()), ran.err);
    }

    void comparisonEndsWithItsGatesStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says"); // on standard output, or on error when it fails
        QTest::newRow("three results")
            << QStringList{"A", "three", "slower"} << 0 << "C is 12 % slower than A";
        QTest::newRow("slower than the gate allows")
            << QStringList{"A", "slower", "--fail-if-slower", "5"} << 3
            << "slower than --fail-if-slower allows";
        QTest::newRow("slower, within the gate")
            << QStringList{"A", "slower", "--fail-if-slower", "15"} << 0 << "gate: passed";
        QTest::newRow("faster is no failure")
            << QStringList{"slower", "A", "--fail-if-slower", "5"} << 0 << "B is 14 % faster";
        QTest::newRow("lower, but not significantly")
            << QStringList{"A", "spread", "--fail-if-slower", "5"} << 0 << "gate: passed";
        QTest::newRow("three results, the third failing")
            << QStringList{"A", "three", "slower", "--fail-if-slower", "5"} << 3
            << "slower than --fail-if-slower allows";
        QTest::newRow("a file of the landed version")
            << QStringList{PLOVEX_TEST_DATA "/landed-3095d71.json", "A", "--force"} << 0
            << "B: no significant difference from A at 5 %";
        QTest::newRow("refused environments")
            << QStringList{"A", "xorg", "--fail-if-slower", "5"} << 1 << "--force compares";
    }
    void comparisonEndsWithItsGatesStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, says);
        for (QString &a : arguments)
            if (QFile::exists(file(a)))
                a = file(a);
        const Ran ran = bench(QStringList{"--compare"} + arguments);
        QCOMPARE(ran.status, status);
        QVERIFY2((status == 0 ? ran.out : ran.err).contains(says.toUtf8()), ran.out + ran.err);
    }

    // With --json - the JSON alone goes to standard output and the table to standard error.
    void jsonOnStandardOutputLeavesTheTableToStandardError()
    {
        const Ran ran =
            bench({"--compare", file("A"), file("three"), file("slower"), "--json", "-"});
        QCOMPARE(ran.status, 0);
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(ran.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(o["schema"].toString(), "plovex-bench-comparison");
        const QJsonArray results = o["results"].toArray();
        QCOMPARE(results.size(), 3);
        QCOMPARE(results[2].toObject()["median"].toDouble(), 3920.0);
        QCOMPARE(results[2].toObject()["slower"].toBool(), true);
        QVERIFY2(ran.err.contains("C is 12 % slower than A"), ran.err);
    }
};

QTEST_APPLESS_MAIN(TestBenchCli)
#include "test_benchcli.moc"
