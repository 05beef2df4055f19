// What plovex-bench concludes from a result: what held the score down, Plovex and the limit
// side by side, and what a frame is made of, on figures worked out by hand.
#include "sampleresult.h"
#include "verdict.h"

#include <QTest>

namespace {

// Plovex at 3971 with 111.9 us of its own and 94.7 us of the server's a frame; the limit
// free at 4984 (90.8, 75.2) and on one processor at 10944 (52.7, 39.5, drawing 38.0).
BenchResult measured(bool oneCpuRuns)
{
    BenchResult r = sampleResult({3971, 3971, 3971});
    for (PlovexRun &run : r.runs) {
        run.plovexCpuUs = 111.9;
        run.serverCpuUs = 94.7;
    }
    r.limitRuns.push_back({4984, 43859, 0, 90.8, 75.2, 0, 70.0, 40.0});
    if (oneCpuRuns)
        r.oneCpuLimitRuns.push_back({10944, 96307, 0, 52.7, 39.5, 0, 38.0, 5.0});
    else
        r.oneCpuUnavailable = "on the display in DISPLAY only with --handover";
    r.environment.refreshHz.reset();
    return r;
}

} // namespace

class TestVerdict : public QObject
{
    Q_OBJECT

private slots:
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
        const Verdict v = judge(r);
        QTEST(int(v.limited.kind), "kind");
        QVERIFY2(v.limited.text.contains(says), qPrintable(v.limited.text));
    }

    void plovexAndTheLimitSideBySide()
    {
        const Verdict v = judge(measured(true));
        QCOMPARE(v.programs.size(), 3u);
        const std::tuple<QString, double, double, double> expected[] = {
            {"Plovex, free", 3971, 111.9, 94.7},
            {"plovex-limit, free", 4984, 90.8, 75.2},
            {"plovex-limit, one processor", 10944, 52.7, 39.5},
        };
        for (std::size_t i = 0; i < v.programs.size(); ++i) {
            const auto &[what, fps, client, server] = expected[i];
            QCOMPARE(v.programs[i].what, what);
            QCOMPARE(v.programs[i].fps, fps);
            QCOMPARE(*v.programs[i].clientUs, client);
            QCOMPARE(*v.programs[i].serverUs, server);
        }
    }

    // The frame of 1e6 / 3971 = 251.8 us: drawing 38.0; Plovex's other work 111.9 - 90.8 +
    // 52.7 - 38.0 = 35.8; the server 39.5 + 94.7 - 75.2 = 59.0; the hand-over the rest, 119.0.
    // On one processor already, the limit runs are the reference: other work 111.9 - 70.0 =
    // 41.9, the server 94.7, the hand-over 251.8 - 70.0 - 41.9 - 94.7 = 45.2.
    void aFrameIsMadeOfDrawingOtherWorkServerAndHandOver_data()
    {
        QTest::addColumn<bool>("oneCpuRuns");
        QTest::addColumn<bool>("allOnOne");
        QTest::addColumn<std::vector<double>>("parts"); // drawing, other, server, hand-over
        QTest::addColumn<QString>("says");
        QTest::newRow("free, with the limit on one processor")
            << true << false << std::vector<double>{38.0, 35.8, 59.0, 119.0}
            << "The hand-over between the processors dominates: 119 of the frame's 252 us (47 %).";
        QTest::newRow("every run on one processor")
            << false << true << std::vector<double>{70.0, 41.9, 94.7, 45.2}
            << "The X server's work dominates: 95 of the frame's 252 us (38 %).";
        QTest::newRow("no limit on one processor")
            << false << false << std::vector<double>{}
            << "not known without the limit on one processor: on the display in DISPLAY only "
               "with --handover";
    }
    void aFrameIsMadeOfDrawingOtherWorkServerAndHandOver()
    {
        QFETCH(bool, oneCpuRuns);
        QFETCH(bool, allOnOne);
        QFETCH(std::vector<double>, parts);
        BenchResult r = measured(oneCpuRuns);
        r.environment.oneCpu = allOnOne;
        const Verdict v = judge(r);
        QTEST(v.frameText, "says");
        QCOMPARE(v.frame.has_value(), !parts.empty());
        if (!v.frame)
            return;
        const double got[] = {v.frame->drawingUs, v.frame->otherUs, v.frame->serverUs,
                              v.frame->handoverUs};
        for (std::size_t i = 0; i < parts.size(); ++i)
            QVERIFY2(std::abs(got[i] - parts[i]) < 0.06, qPrintable(QString::number(got[i])));
    }
};

QTEST_APPLESS_MAIN(TestVerdict)
#include "test_verdict.moc"
