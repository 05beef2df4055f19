// Bench results: the JSON round trip and its schema version, what plovex-bench says of a
// file or an argument it cannot use, which environment differences matter, and what
// limited a score.
#include "limiter.h"
#include "resultjson.h"
#include "sampleresult.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using Edit = std::function<void(QJsonObject &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

// An edit of run 1 of a good result's JSON.
Edit runField(const char *key, const QJsonValue &value)
{
    return [key, value](QJsonObject &o) {
        QJsonArray runs = o["runs"].toArray();
        QJsonObject run = runs[1].toObject();
        run[key] = value;
        runs[1] = run;
        o["runs"] = runs;
    };
}

// Every optional field both set and unset somewhere, every text distinct from its default.
BenchResult fullResult()
{
    BenchResult r = sampleResult({4376, 4295, 4603});
    r.warnings = {"the machine runs on battery, which may slow the processor down"};
    r.runs[0].limitFps = 13281.2;
    r.runs[0].plovexCpuUs = 133.1;
    r.runs[0].serverCpuUs = 67.4;
    r.runs[0].framesCounted = true;
    r.runs[0].presentPath = "shm";
    r.runs[0].waited = 120;
    r.runs[0].waitUsPerFrame = 10.8;
    r.runs[0].otherBusyPercent = 3.5;
    r.runs[1].presentPath = "qt";
    r.runs[2].presentPath = "unknown";
    r.limitRuns.push_back({13281.2, 116874, 1003, 75.2, 50.1, 0.5});
    r.limitRuns.push_back({12990.0, 114312, 0, std::nullopt, std::nullopt, std::nullopt});
    r.pipelinedRuns.push_back({16084.0, 141539, 0, 61.5, 32.3, std::nullopt});
    r.environment.refreshHz.reset();
    return r;
}

} // namespace

class TestResult : public QObject
{
    Q_OBJECT

private slots:
    void jsonRoundTripKeepsEveryFieldAndWritesTheSummary()
    {
        const BenchResult r = fullResult();
        const QByteArray json = toJson(r);
        const BenchResult back = resultFromJson(json);
        QCOMPARE(back.environment, r.environment);
        QVERIFY(back.runs == r.runs);
        QVERIFY(back.limitRuns == r.limitRuns);
        QVERIFY(back == r);
        QCOMPARE(toJson(back), json);

        const QJsonObject root = QJsonDocument::fromJson(json).object();
        QCOMPARE(root["schema"].toString(), QString(kResultSchema));
        QCOMPARE(root["schema_version"].toInt(), kResultSchemaVersion);
        const QJsonObject summary = root["summary"].toObject();
        QCOMPARE(summary["median"].toDouble(), 4376.0);
        QCOMPARE(summary["limit_fps_median"].toDouble(), (13281.2 + 12990.0) / 2);
        QCOMPARE(summary["percent_of_limit"].toDouble(), 4376.0 / ((13281.2 + 12990.0) / 2) * 100);
        QCOMPARE(root["runs"].toArray()[0].toObject()["pipelined"].toInteger(),
                 r.runs[0].frames - 120);
        QCOMPARE(summary["pipelined_limit_fps_median"].toDouble(), 16084.0);
    }

    // A file of a plovex-bench before the serial limit: it loads, and written again it
    // holds every field it held with the same value.
    void aFileOfTheLandedVersionLoadsUnchanged()
    {
        QFile file(PLOVEX_LANDED_RESULT);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject old = QJsonDocument::fromJson(file.readAll()).object();
        const BenchResult r = readResultFile(PLOVEX_LANDED_RESULT);
        QVERIFY(r.pipelinedRuns.empty() && !r.runs[0].waitUsPerFrame);
        QStringList lost;
        const std::function<void(const QJsonValue &, const QJsonValue &, const QString &)> holds =
            [&](const QJsonValue &now, const QJsonValue &was, const QString &path) {
                if (was.isObject() && now.isObject()) {
                    for (const QString &key : was.toObject().keys())
                        holds(now.toObject()[key], was.toObject()[key], path + "." + key);
                } else if (was.isArray() && now.isArray() &&
                           was.toArray().size() == now.toArray().size()) {
                    for (qsizetype i = 0; i < was.toArray().size(); ++i)
                        holds(now.toArray()[i], was.toArray()[i], path + QString("[%1]").arg(i));
                } else if (now != was) {
                    lost.append(path);
                }
            };
        holds(QJsonDocument::fromJson(toJson(r)).object(), old, "");
        // Only the sentence on what limited the runs is worded anew from the same figures.
        QCOMPARE(lost, QStringList{".summary.limited_by.text"});
    }

    // Exit status 2 and one line on standard error, for a file or an argument it cannot use.
    void unusableFilesAndArgumentsEndWithOneLineAndStatusTwo_data()
    {
        QTest::addColumn<QStringList>("arguments"); // A stands for the edited file, B a good one
        QTest::addColumn<Edit>("edit");             // of a good result's JSON, for A
        QTest::addColumn<QByteArray>("raw");        // or A's whole content
        QTest::addColumn<QString>("says");
        const Edit none;
        const QStringList ab{"--compare", "A", "B"};
        QTest::newRow("missing file") << QStringList{"--compare", "/nonexistent/a.json", "B"}
                                      << none << QByteArray() << "cannot read /nonexistent/a.json";
        const QByteArray good = toJson(fullResult());
        QTest::newRow("a directory")
            << QStringList{"--compare", "DIR", "B"} << none << QByteArray() << "is a directory";
        QTest::newRow("truncated") << ab << none << good.left(good.size() / 2) << "not JSON";
        QTest::newRow("a 50 MB list")
            << ab << none << "[" + QByteArray("0,").repeated(25'000'000) + "0]"
            << "not a plovex-bench result";
        QTest::newRow("NaN") << ab << none << QByteArray(good).replace(": 4376", ": NaN")
                             << "not JSON";
        QTest::newRow("100,000 deep")
            << ab << none << QByteArray(100'000, '[') << "too deeply nested";
        QTest::newRow("another program's JSON")
            << ab << none << QByteArray("{\"runs\": [1, 2]}") << "not a plovex-bench result";
        QTest::newRow("newer schema version")
            << ab << Edit([](QJsonObject &o) { o["schema_version"] = 999; }) << QByteArray()
            << "schema version 999; this plovex-bench reads version 1";
        QTest::newRow("no runs") << ab << Edit([](QJsonObject &o) { o["runs"] = QJsonArray(); })
                                 << QByteArray() << "runs is empty";
        QTest::newRow("a score that is not a number")
            << ab << runField("score", "fast") << QByteArray() << "runs[1].score is not a number";
        QTest::newRow("a negative score")
            << ab << runField("score", -4295) << QByteArray() << "runs[1].score is not a number";
        // Sums of such scores overflow: the variation would read as any figure.
        QTest::newRow("a score of 1e308")
            << ab << runField("score", 1e308) << QByteArray() << "runs[1].score is not a number";
        QTest::newRow("a score its frames cannot give")
            << ab << runField("score", 4800) << QByteArray()
            << "runs[1].score, 4800, is not what 37796 frames in a run of 8.8 s give";
        QTest::newRow("frames of 1e308")
            << ab << runField("frames", 1e308) << QByteArray() << "runs[1].frames is not a number";
        QTest::newRow("an environment field missing") << ab << Edit([](QJsonObject &o) {
            QJsonObject e = o["environment"].toObject();
            e.remove("cpu_model");
            o["environment"] = e;
        }) << QByteArray() << "environment.cpu_model is missing";
        QTest::newRow("no runs to measure") << QStringList{"--runs", "0"} << none << QByteArray()
                                            << "--runs takes a whole number from 1";
        QTest::newRow("more limit runs than runs")
            << QStringList{"--runs", "2", "--limit-runs", "3"} << none << QByteArray()
            << "--limit-runs takes a whole number from 0 to 2";
        QTest::newRow("one file to compare")
            << QStringList{"--compare", "B"} << none << QByteArray() << "two result files";
        QTest::newRow("measuring options with --compare")
            << QStringList{"--compare", "--xvfb", "A", "B"} << none << QByteArray()
            << "--xvfb has no place";
        QTest::newRow("unknown option")
            << QStringList{"--fast"} << none << QByteArray() << "Unknown option 'fast'";
    }
    void unusableFilesAndArgumentsEndWithOneLineAndStatusTwo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Edit, edit);
        QFETCH(QByteArray, raw);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString good = dir.filePath("good.json"), bad = dir.filePath("bad.json");
        QJsonObject json = QJsonDocument::fromJson(toJson(fullResult())).object();
        auto write = [](const QString &path, const QByteArray &content) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        };
        write(good, QJsonDocument(json).toJson());
        if (edit)
            edit(json);
        write(bad, edit ? QJsonDocument(json).toJson() : raw);
        arguments.replaceInStrings(QRegularExpression("^A$"), bad);
        arguments.replaceInStrings(QRegularExpression("^B$"), good);
        arguments.replaceInStrings(QRegularExpression("^DIR$"), dir.path());

        QProcess bench;
        bench.start(PLOVEX_BENCH, arguments);
        QVERIFY(bench.waitForFinished(10000));
        const QString err = QString::fromUtf8(bench.readAllStandardError());
        QCOMPARE(bench.exitStatus(), QProcess::NormalExit);
        QCOMPARE(bench.exitCode(), 2);
        QCOMPARE(bench.readAllStandardOutput(), QByteArray());
        QVERIFY2(err.startsWith("plovex-bench: ") && err.count('\n') == 1, qPrintable(err));
        QVERIFY2(err.contains(says), qPrintable(err));
    }

    void onlyDifferencesThatChangeScoresAreNamed_data()
    {
        QTest::addColumn<Edit>("edit"); // of B's environment, through its JSON
        QTest::addColumn<QStringList>("differences");
        auto set = [](const char *key, QJsonValue v) {
            return Edit([key, v](QJsonObject &e) { e[key] = v; });
        };
        QTest::newRow("same") << Edit([](QJsonObject &) {}) << QStringList();
        QTest::newRow("platform") << set("platform", "wayland")
                                  << QStringList{"platform: xcb vs wayland"};
        QTest::newRow("X server") << set("x_server", "Xorg, The X.Org Foundation 12101007")
                                  << QStringList{"X server: Xvfb, The X.Org Foundation 12101007 "
                                                 "vs Xorg, The X.Org Foundation 12101007"};
        QTest::newRow("compositor")
            << set("compositor", "picom") << QStringList{"compositor: none vs picom"};
        QTest::newRow("refresh rate")
            << set("refresh_hz", 144.0) << QStringList{"refresh rate: 60.0 Hz vs 144.0 Hz"};
        QTest::newRow("refresh rate unknown") << set("refresh_hz", QJsonValue::Null)
                                              << QStringList{"refresh rate: 60.0 Hz vs unknown"};
        QTest::newRow("screen depth")
            << set("depth", 16) << QStringList{"screen depth: 24 bits vs 16 bits"};
        QTest::newRow("a depth one file does not know")
            << Edit([](QJsonObject &e) { e.remove("depth"); }) << QStringList();
        QTest::newRow("refresh rates within half a hertz")
            << set("refresh_hz", 59.94) << QStringList();
        QTest::newRow("CPU model")
            << set("cpu_model", "Intel Xeon") << QStringList{"CPU model: AMD EPYC vs Intel Xeon"};
        QTest::newRow("load, kernel and cores do not count") << Edit([](QJsonObject &e) {
            e["load_average"] = 3.0;
            e["kernel"] = "Linux 6.12";
            e["cores"] = 8;
        }) << QStringList();
    }
    void onlyDifferencesThatChangeScoresAreNamed()
    {
        QFETCH(Edit, edit);
        const BenchResult a = sampleResult({4000});
        QJsonObject json = QJsonDocument::fromJson(toJson(a)).object();
        QJsonObject environment = json["environment"].toObject();
        edit(environment);
        json["environment"] = environment;
        const BenchResult b = resultFromJson(QJsonDocument(json).toJson());
        QTEST(environmentDifferences(a.environment, b.environment), "differences");
    }

    void limitedByRefreshCapOrTheBusierProcess_data()
    {
        QTest::addColumn<std::vector<double>>("scores");
        QTest::addColumn<double>("refreshHz");   // 0: unknown
        QTest::addColumn<double>("plovexCpuUs"); // 0: unknown
        QTest::addColumn<double>("serverCpuUs");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        using K = Limiter::Kind;
        QTest::newRow("at the refresh rate")
            << std::vector<double>{60, 60, 59} << 60.0 << 100.0 << 50.0 << int(K::RefreshCap)
            << "refresh rate (60.0 Hz)";
        QTest::newRow("at half of it") << std::vector<double>{72, 72, 72} << 143.9 << 100.0 << 50.0
                                       << int(K::RefreshCap) << "half of the display's";
        QTest::newRow("far above it") << std::vector<double>{4376, 4295} << 60.0 << 133.1 << 67.0
                                      << int(K::Plovex) << "Plovex used more";
        QTest::newRow("between whole fractions")
            << std::vector<double>{40, 41} << 60.0 << 30.0 << 80.0 << int(K::XServer)
            << "the X server used more";
        QTest::newRow("refresh unknown") << std::vector<double>{60, 60} << 0.0 << 100.0 << 50.0
                                         << int(K::Plovex) << "Plovex used more";
        QTest::newRow("processor times unknown") << std::vector<double>{4000} << 60.0 << 0.0 << 0.0
                                                 << int(K::Unknown) << "could not be read";
    }
    void limitedByRefreshCapOrTheBusierProcess()
    {
        QFETCH(std::vector<double>, scores);
        QFETCH(double, refreshHz);
        QFETCH(double, plovexCpuUs);
        QFETCH(double, serverCpuUs);
        QFETCH(QString, says);
        BenchResult r = sampleResult(scores);
        r.environment.refreshHz = refreshHz > 0 ? std::optional(refreshHz) : std::nullopt;
        for (PlovexRun &run : r.runs) {
            if (plovexCpuUs > 0) {
                run.plovexCpuUs = plovexCpuUs;
                run.serverCpuUs = serverCpuUs;
            }
        }
        const Limiter limiter = whatLimited(r);
        QTEST(int(limiter.kind), "kind");
        QVERIFY2(limiter.text.contains(says), qPrintable(limiter.text));
    }
};

QTEST_APPLESS_MAIN(TestResult)
#include "test_result.moc"
