// A result as JSON: the round trip with its schema version and summary, files of the landed
// version that still load, and files that are refused with the field named.
#include "resultjson.h"
#include "sampleresult.h"
#include "verdict.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>

using Edit = std::function<void(QJsonObject &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

QByteArray json(const BenchResult &r)
{
    return toJson(r, judge(r));
}

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

} // namespace

class TestResultJson : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryFieldAndWritesTheSummary()
    {
        const BenchResult r = fullResult();
        const QByteArray text = json(r);
        const BenchResult back = resultFromJson(text);
        QCOMPARE(back.environment, r.environment);
        QVERIFY(back.runs == r.runs);
        QVERIFY(back.limitRuns == r.limitRuns && back.oneCpuLimitRuns == r.oneCpuLimitRuns);
        QVERIFY(back == r);
        QCOMPARE(json(back), text);

        const QJsonObject root = QJsonDocument::fromJson(text).object();
        QCOMPARE(root["schema"].toString(), QString(kResultSchema));
        QCOMPARE(root["schema_version"].toInt(), kResultSchemaVersion);
        QCOMPARE(root["ended_by"].toString(), "max-runs");
        const QJsonObject summary = root["summary"].toObject();
        QCOMPARE(summary["median"].toDouble(), 4376.0);
        QCOMPARE(summary["limit_fps_median"].toDouble(), (13281.2 + 12990.0) / 2);
        QCOMPARE(summary["one_cpu_limit_fps_median"].toDouble(), 16084.0);
    }

    // Files of plovex-bench before this one: they load, and written again they hold every
    // field they held with the same value, but for the sentence worked out anew and the
    // frames that did not wait, which were written for readers under an older name.
    void filesOfTheLandedVersionLoadUnchanged_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("reworked");
        QTest::newRow("before the serial limit")
            << "landed-result.json"
            << QStringList{".runs[0].pipelined", ".runs[1].pipelined", ".summary.limited_by.text"};
        // The overlapped figure for context is measured no longer.
        QTest::newRow("3095d71, with the overlapped figure")
            << "landed-3095d71.json"
            << QStringList{".pipelined_limit_runs", ".runs[0].pipelined", ".runs[1].pipelined",
                           ".summary.limited_by.text", ".summary.pipelined_limit_fps_median"};
    }
    void filesOfTheLandedVersionLoadUnchanged()
    {
        QFETCH(QString, file);
        const QString path = QString(PLOVEX_TEST_DATA) + "/" + file;
        QFile data(path);
        QVERIFY(data.open(QIODevice::ReadOnly));
        const QJsonObject old = QJsonDocument::fromJson(data.readAll()).object();
        const BenchResult r = readResultFile(path);
        QVERIFY(r.oneCpuLimitRuns.empty() && r.endedBy == EndedBy::Runs && !r.environment.oneCpu);
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
        holds(QJsonDocument::fromJson(json(r)).object(), old, "");
        QTEST(lost, "reworked");
    }

    void refusesWhatNoRunCouldGive_data()
    {
        QTest::addColumn<Edit>("edit");      // of a good result's JSON
        QTest::addColumn<QByteArray>("raw"); // or the whole text
        QTest::addColumn<QString>("says");
        const Edit none;
        const QByteArray good = json(fullResult());
        QTest::newRow("truncated") << none << good.left(good.size() / 2) << "not JSON";
        QTest::newRow("a 50 MB list") << none << "[" + QByteArray("0,").repeated(25'000'000) + "0]"
                                      << "not a plovex-bench result";
        QTest::newRow("NaN") << none << QByteArray(good).replace(": 4376", ": NaN") << "not JSON";
        QTest::newRow("100,000 deep") << none << QByteArray(100'000, '[') << "too deeply nested";
        QTest::newRow("another program's JSON")
            << none << QByteArray("{\"runs\": [1, 2]}") << "not a plovex-bench result";
        QTest::newRow("newer schema version")
            << Edit([](QJsonObject &o) { o["schema_version"] = 999; }) << QByteArray()
            << "schema version 999; this plovex-bench reads version 1";
        QTest::newRow("no runs") << Edit([](QJsonObject &o) { o["runs"] = QJsonArray(); })
                                 << QByteArray() << "runs is empty";
        QTest::newRow("a score that is not a number")
            << runField("score", "fast") << QByteArray() << "runs[1].score is not a number";
        QTest::newRow("a negative score")
            << runField("score", -4295) << QByteArray() << "runs[1].score is not a number";
        // Sums of such scores overflow: the variation would read as any figure.
        QTest::newRow("a score of 1e308")
            << runField("score", 1e308) << QByteArray() << "runs[1].score is not a number";
        QTest::newRow("a score its frames cannot give")
            << runField("score", 4800) << QByteArray()
            << "runs[1].score, 4800, is not what 37796 frames in a run of 8.8 s give";
        QTest::newRow("frames of 1e308")
            << runField("frames", 1e308) << QByteArray() << "runs[1].frames is not a number";
        QTest::newRow("an environment field missing") << Edit([](QJsonObject &o) {
            QJsonObject e = o["environment"].toObject();
            e.remove("cpu_model");
            o["environment"] = e;
        }) << QByteArray() << "environment.cpu_model is missing";
        QTest::newRow("an ending it does not know")
            << Edit([](QJsonObject &o) { o["ended_by"] = "boredom"; }) << QByteArray()
            << "ended_by is not one of runs, precision, max-runs";
        QTest::newRow("pinned to no precision")
            << Edit([](QJsonObject &o) { o["precision_percent"] = QJsonValue(); }) << QByteArray()
            << "ended_by says precision without a precision_percent";
    }
    void refusesWhatNoRunCouldGive()
    {
        QFETCH(Edit, edit);
        QFETCH(QByteArray, raw);
        QFETCH(QString, says);
        QJsonObject o = QJsonDocument::fromJson(json(fullResult())).object();
        if (edit)
            edit(o);
        try {
            resultFromJson(edit ? QJsonDocument(o).toJson() : raw);
            QFAIL("read as a result");
        } catch (const std::runtime_error &e) {
            QVERIFY2(QString(e.what()).contains(says), e.what());
        }
    }
};

QTEST_APPLESS_MAIN(TestResultJson)
#include "test_resultjson.moc"
