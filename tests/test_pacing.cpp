// Frame pacing of the real event loop on a real X server: one frame per idle pass,
// each frame painted before the next, input handled between frames, and no processor
// time used once the run is over.
#include "application.h"
#include "fonts.h"
#include "mainform.h"
#include "runstate.h"
#include "tick.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <optional>

#include <sys/resource.h>

// Records which frame each repaint of the field showed (outside the anonymous namespace:
// the test's lambda captures it, and a unity build would warn).
class PaintRecorder : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            shownFrames.push_back(FrameCount);
        return false;
    }
    std::vector<std::int32_t> shownFrames;
};

namespace {

// Runs the measured run four times faster than real time, so a whole run takes ~2.2 s.
constexpr std::uint32_t kSpeedUp = 4;
QElapsedTimer clockSinceStart;
std::uint32_t fastTick()
{
    return std::uint32_t(clockSinceStart.elapsed()) * kSpeedUp;
}

// Counts pointer motion as the X server delivers it, whether or not a widget wants it.
class MotionCounter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        // Core motion, or XInput 2's generic event, which Qt uses for the pointer.
        constexpr std::uint8_t kMotionNotify = 6;
        constexpr std::uint8_t kGenericEvent = 35;
        const std::uint8_t kind = *static_cast<std::uint8_t *>(message) & 0x7F;
        if (type == "xcb_generic_event_t" && (kind == kMotionNotify || kind == kGenericEvent))
            ++motions;
        return false;
    }
    int motions = 0;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Pixels above the labels, inside the window's shape, where the screen does not show the
// field's latest frame; sets `compared` to how many were looked at. Asked right after a
// repaint, with no time to catch up: a repaint that returned has the frame on the screen.
int staleScreenPixels(TMainForm &form, int &compared)
{
    const QImage screen = form.screen()->grabWindow(form.winId()).toImage();
    const FieldBitmap &field = *form.Image1->Field();
    const QRegion shape = TMainForm::windowShape(TMainForm::kWidth, TMainForm::kHeight);
    int differing = 0;
    compared = 0;
    for (int y = 0; y < 100; ++y) // above the labels: only the field shows there
        for (int x = 160; x < 352; ++x)
            if (shape.contains(QPoint(x, y))) { // outside, the server shows its own black
                ++compared;
                differing += (screen.pixel(x, y) & 0xFFFFFFu) != (field.pixel(x, y) & 0xFFFFFFu);
            }
    return differing;
}

std::uint32_t failingTick()
{
    throw std::runtime_error("out of sprites");
}

// Runs loop steps until `ms` of real time have passed.
void runLoopFor(int ms)
{
    bool over = false;
    QTimer::singleShot(ms, [&over] { over = true; });
    while (!over)
        Application->HandleMessage();
}

} // namespace

class TestPacing : public QObject
{
    Q_OBJECT
private slots:
    void framesAndRepaintsAlternateAndInputNeverAddsAFrame()
    {
        clockSinceStart.start();
        setTickSource(fastTick);
        ElapsedMs = 0;
        Score = 0;

        TMainForm form;
        PaintRecorder paints;
        form.Image1->installEventFilter(&paints);
        MotionCounter motion;
        qApp->installNativeEventFilter(&motion);

        // Wrap the installed hook to see how many frames each idle pass draws, and now and
        // then, before the next frame, whether the screen already shows the frame just
        // painted.
        int passes = 0, maxFramesPerPass = 0, sampled = 0, staleSamples = 0;
        Application->setOnIdle([&](TApplication *sender, bool &done) {
            if (passes % 50 == 49 && !paints.shownFrames.empty() &&
                paints.shownFrames.back() == FrameCount && ElapsedMs <= kFinishMs) {
                int compared = 0;
                ++sampled;
                staleSamples += staleScreenPixels(form, compared) > 0 || compared < 10000;
            }
            const std::int32_t before = FrameCount;
            form.AppOnIdle(sender, done);
            ++passes;
            maxFramesPerPass = std::max(maxFramesPerPass, FrameCount - before);
        });

        form.ShowCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // Real pointer motion over the window while frames are being drawn.
        const QPoint centre = form.geometry().center();
        QProcess mover;
        mover.start(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("for i in $(seq 60); do xdotool mousemove %1 %2; "
                                                  "xdotool mousemove %3 %4; done")
                                       .arg(centre.x() - 100)
                                       .arg(centre.y())
                                       .arg(centre.x() + 100)
                                       .arg(centre.y() + 40)});

        QElapsedTimer wall;
        wall.start();
        while (ElapsedMs <= kFinishMs && wall.elapsed() < 20000)
            Application->HandleMessage();
        QVERIFY2(ElapsedMs > kFinishMs, "the run did not finish");
        runLoopFor(200); // the finish frame's repaint
        mover.waitForFinished(10000);

        qInfo("frames %d, repaints %zu, pointer events %d", FrameCount, paints.shownFrames.size(),
              motion.motions);
        QVERIFY2(FrameCount > 100, qPrintable(QString::number(FrameCount)));
        QVERIFY2(motion.motions > 0, "no pointer motion reached the program");
        QCOMPARE(maxFramesPerPass, 1);

        // After the paints of the first frame (drawn before the window was shown), every
        // repaint shows the frame after the one before it: no frame unpainted, none twice.
        const std::vector<std::int32_t> &shown = paints.shownFrames;
        QVERIFY(!shown.empty());
        std::size_t i = 0;
        while (i < shown.size() && shown[i] == 1)
            ++i;
        QVERIFY2(i <= 2, "the first frame was painted more than twice");
        for (std::int32_t expected = 2; i < shown.size(); ++i, ++expected) {
            if (shown[i] != expected)
                QFAIL(qPrintable(QStringLiteral("repaint %1 showed frame %2, expected %3")
                                     .arg(i)
                                     .arg(shown[i])
                                     .arg(expected)));
        }
        QCOMPARE(shown.back(), FrameCount);

        // What the repaints put on the screen was the frame drawn just before: sampled
        // during the run, and after the last repaint.
        QVERIFY2(sampled >= 5, qPrintable(QString::number(sampled)));
        QCOMPARE(staleSamples, 0);
        int compared = 0;
        QCOMPARE(staleScreenPixels(form, compared), 0);
        QVERIFY(compared > 10000);

        // Finished: the loop waits for events and uses (almost) no processor time.
        const int passesBefore = passes;
        const double cpuBefore = cpuSeconds();
        runLoopFor(1000);
        const double cpuUsed = cpuSeconds() - cpuBefore;
        QVERIFY2(cpuUsed < 0.1, qPrintable(QStringLiteral("%1 s of CPU while idle").arg(cpuUsed)));
        // A button blink and the wake-up timer are the only events in that second.
        QVERIFY2(passes - passesBefore < 20, qPrintable(QString::number(passes - passesBefore)));

        qApp->removeNativeEventFilter(&motion);
        setTickSource(nullptr);
    }

    // The error is shown in a box captioned with the title, and the program goes on: the
    // loop calls the hook again, or the window's creation completes.
    void anErrorEscapingAHandlerIsShownAndTheProgramGoesOn_data()
    {
        QTest::addColumn<bool>("duringCreation");
        QTest::newRow("the idle hook") << false;
        QTest::newRow("FormCreate while the main window is made") << true;
    }
    void anErrorEscapingAHandlerIsShownAndTheProgramGoesOn()
    {
        QFETCH(bool, duringCreation);
        Application->setTitle(QStringLiteral("Plovex"));
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                icon = box->icon();
                box->accept();
            }
        });
        closer.start(20);
        if (duringCreation) {
            // The run's clock fails when FormCreate reads it.
            setTickSource(failingTick);
            std::optional<TMainForm> form;
            form.emplace();
            setTickSource(nullptr);
            QVERIFY(form->Image1->Field());
            form->ShowCentred();
            QVERIFY(QTest::qWaitForWindowExposed(&*form));
        } else {
            int calls = 0;
            Application->setOnIdle([&calls](TApplication *, bool &) {
                if (++calls == 1)
                    throw std::runtime_error("out of sprites");
            });
            runLoopFor(500);
            Application->setOnIdle(nullptr);
            QVERIFY2(calls >= 2, "the hook was not called again after the error");
        }
        QCOMPARE(title, QStringLiteral("Plovex"));
        QCOMPARE(text, QStringLiteral("out of sprites"));
        QCOMPARE(icon, QMessageBox::Critical);
    }
};

int main(int argc, char *argv[])
{
    TApplication::PrepareToolkit();
    QApplication qtApp(argc, argv);
    TApplication app;
    TestPacing test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_pacing.moc"
