// Which differences between the environments of results change scores and are named, each
// field once with the results that have each value.
#include "sampleresult.h"

#include <QTest>

#include <functional>

using Edit = std::function<void(Environment &)>;
Q_DECLARE_METATYPE(Edit)

class TestResult : public QObject
{
    Q_OBJECT

private slots:
    void onlyDifferencesThatChangeScoresAreNamed_data()
    {
        QTest::addColumn<Edit>("edit"); // of B's environment; C, when there is one, is A's
        QTest::addColumn<bool>("three");
        QTest::addColumn<QStringList>("differences");
        auto noEdit = [](Environment &) {};
        QTest::newRow("same") << Edit(noEdit) << true << QStringList();
        QTest::newRow("platform") << Edit([](Environment &e) { e.platform = "wayland"; }) << false
                                  << QStringList{"platform: xcb in A, wayland in B"};
        QTest::newRow("X server, three results")
            << Edit([](Environment &e) { e.xServer = "Xorg, The X.Org Foundation 12101007"; })
            << true
            << QStringList{"X server: Xvfb, The X.Org Foundation 12101007 in A and C, Xorg, The "
                           "X.Org Foundation 12101007 in B"};
        QTest::newRow("compositor") << Edit([](Environment &e) { e.compositor = "picom"; }) << false
                                    << QStringList{"compositor: none in A, picom in B"};
        QTest::newRow("refresh rate") << Edit([](Environment &e) { e.refreshHz = 144.0; }) << false
                                      << QStringList{"refresh rate: 60 Hz in A, 144 Hz in B"};
        QTest::newRow("refresh rate unknown")
            << Edit([](Environment &e) { e.refreshHz.reset(); }) << false
            << QStringList{"refresh rate: 60 Hz in A, unknown in B"};
        QTest::newRow("59.94 Hz is 60 Hz")
            << Edit([](Environment &e) { e.refreshHz = 59.94; }) << true << QStringList();
        QTest::newRow("screen depth")
            << Edit([](Environment &e) { e.depth = 16; }) << true
            << QStringList{"screen depth: 24 bits in A and C, 16 bits in B"};
        QTest::newRow("a depth one file does not know")
            << Edit([](Environment &e) { e.depth = 0; }) << false << QStringList();
        QTest::newRow("CPU model, and one processor")
            << Edit([](Environment &e) {
                   e.cpuModel = "Intel Xeon";
                   e.oneCpu = true;
               })
            << false
            << QStringList{"CPU model: AMD EPYC in A, Intel Xeon in B",
                           "placement: free in A, one processor in B"};
        QTest::newRow("load, kernel and cores do not count") << Edit([](Environment &e) {
            e.loadAverage = 3.0;
            e.kernel = "Linux 6.12";
            e.cores = 8;
        }) << false << QStringList();
    }
    void onlyDifferencesThatChangeScoresAreNamed()
    {
        QFETCH(Edit, edit);
        QFETCH(bool, three);
        std::vector<BenchResult> all(three ? 3 : 2, sampleResult({4000}));
        edit(all[1].environment);
        QTEST(environmentDifferences(all, QStringList{"A", "B", "C"}.mid(0, qsizetype(all.size()))),
              "differences");
    }
};

QTEST_APPLESS_MAIN(TestResult)
#include "test_result.moc"
