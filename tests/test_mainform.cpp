// The main window: its start-up, shape and placement, what it shows of a run, and its
// finish controls. Frames are drawn on a tick counter the test sets; the run's own rules
// are tested without windows (test_run). The windows are made by the program's own
// start-up, and the tests run inside its loop.
#include "application.h"
#include "layout.h"
#include "mainform.h"
#include "qttext.h"
#include "rating.h"
#include "runclock.h"
#include "runstate.h"
#include "scoreform.h"
#include "startup.h"
#include "startupwatch.h"
#include "tick.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

// What the start-up had done each time the main window's creation read the clock.
struct StartUpSeen
{
    bool creating = true; // until the start-up shows the main window
    QString title;
    bool scoreTableMade = false;
} startUp;

using runclock::fakeTick;
using runclock::framesForScore;
using runclock::kRunStart;
std::uint32_t readFakeTick()
{
    if (startUp.creating) {
        startUp.title = Application ? Application->Title() : QString();
        startUp.scoreTableMade = startUp.scoreTableMade || ScoreForm;
    }
    return fakeTick;
}

const QString kHeader = QStringLiteral("Ｐｌｏｖｅｘメッセージ！");

// Every run after the first starts from the re-measure button.
void startRun(std::uint32_t at = kRunStart)
{
    fakeTick = at;
    MainForm->finishControls().saikeisokuClick();
}

void frameAt(std::int32_t ms, std::int32_t frames = 0)
{
    runclock::stampNextFrame(ms, frames);
    MainForm->DrawFrame();
}

void finishedRun(std::int32_t scoring, std::int32_t final)
{
    runclock::finishedRun([] { startRun(); }, frameAt, scoring, final);
}

QList<QWidget *> sixControls()
{
    return {MainForm->saikeisoku, MainForm->shuuryou, MainForm->SaiPanel,
            MainForm->ShuPanel,   MainForm->Label1,   MainForm->Label3};
}

QRegion windowEllipse()
{
    return QRegion(0, 0, kMainWindowWidth, kMainWindowHeight, QRegion::Ellipse);
}

// The same frame in any window: bands of colour under labels made transparent, so that
// their text is blended with what lies beneath, and the buttons at rest.
QImage showSameFrame(TMainForm &form, QPoint at)
{
    form.move(at);
    form.Timer1->setEnabled(false);
    form.finishControls().ShowButtonColors(false);
    form.Label1->setTransparent(true);
    form.Label3->setTransparent(true);
    form.Image1->beginFrame();
    FieldBitmap &field = *form.Image1->Field();
    constexpr std::array<TColor, 4> kBands = {clNavy, clOlive, clTeal, clSilver};
    for (int y = 0; y < FieldBitmap::kHeight; y += 8) {
        field.setBrushColor(kBands[std::size_t(y / 8) % kBands.size()]);
        field.fillRect({0, y, FieldBitmap::kWidth, y + 8});
    }
    QCoreApplication::processEvents();
    form.Image1->repaint();
    for (QWidget *control : {form.SaiPanel, form.ShuPanel})
        control->repaint();
    return form.screen()->grabWindow(form.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        Score = 0;
        ElapsedMs = 0;
        ButtonBlink = false;
        MainForm->PopupMenu1->hide();
    }

    // The program's own start-up, as the main window's creation saw it when it read the
    // clock: the title already set, the score table not made yet.
    void startUpMakesTheWindowsInItsOrder()
    {
        QCOMPARE(startUp.title, QStringLiteral("Plovex"));
        QVERIFY2(!startUp.scoreTableMade, "the score table was made before the main window");
        QVERIFY(MainForm);
        QCOMPARE(Application->MainForm(), MainForm);
        QVERIFY(ScoreForm);
        QVERIFY(ScoreForm->isHidden());
    }

    void windowIsAFramelessEllipseCentredOnce()
    {
        QVERIFY(MainForm->windowFlags().testFlag(Qt::FramelessWindowHint));
        // The desktop lists the program by its title; the caption is the window's own.
        QCOMPARE(MainForm->windowTitle(), QStringLiteral("Plovex"));
        QCOMPARE(MainForm->Caption(), QStringLiteral(" Plovex     Vendrake\u3000"));
        QCOMPARE(MainForm->size(), QSize(kMainWindowWidth, kMainWindowHeight));
        QCOMPARE(MainForm->Image1->geometry(), QRect(0, 0, kFieldWidth, kFieldHeight));
        QCOMPARE(MainForm->windowHandle()->mask(), windowEllipse());
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), QSize(1280, 1024));
        QCOMPARE(MainForm->pos(), QPoint(384, 365));

        // Re-measure shapes the window again, and leaves it where the user put it.
        MainForm->move(40, 50);
        MainForm->windowHandle()->setMask(QRegion());
        finishedRun(200, 200);
        MainForm->finishControls().saikeisokuClick();
        QCOMPARE(MainForm->windowHandle()->mask(), windowEllipse());
        QCOMPARE(MainForm->pos(), QPoint(40, 50));
        MainForm->ShowCentred();
        QCOMPARE(MainForm->pos(), QPoint(40, 50));
    }

    void finishFrameShowsTheScoreAndRevealsTheButtons()
    {
        startRun();
        frameAt(100);
        frameAt(8750, framesForScore(120, 8750));
        frameAt(8800, framesForScore(120, 8800));
        QVERIFY(MainForm->SaiPanel->isHidden());
        QVERIFY(MainForm->Label1->isHidden());
        QVERIFY(!MainForm->Timer1->Enabled());

        ButtonBlink = true;
        MainForm->saikeisoku->setColor(clRed);
        MainForm->shuuryou->setFontColor(clRed);
        frameAt(8850, framesForScore(125, 8850));
        QCOMPARE(Score, 125);
        QCOMPARE(MainForm->Label1->Caption(), toQString(ComposeRatingText(125)));
        QCOMPARE(MainForm->Label3->Caption(), kHeader);
        QCOMPARE(MainForm->Label3->font().pixelSize(), 19);
        QCOMPARE(MainForm->Label1->x(), (kMainWindowWidth - MainForm->Label1->width()) / 2);
        for (QWidget *control : sixControls())
            QVERIFY(control->isVisible());
        QVERIFY(!MainForm->Label1->Transparent());
        QVERIFY(!MainForm->Label3->Transparent());
        QVERIFY(MainForm->Timer1->Enabled());
        QVERIFY(!ButtonBlink);
        QCOMPARE(MainForm->saikeisoku->Color(), clSilver);
        QCOMPARE(MainForm->saikeisoku->FontColor(), clMaroon);
        QCOMPARE(MainForm->shuuryou->Color(), clSilver);
        QCOMPARE(MainForm->shuuryou->FontColor(), clGreen);
        for (QWidget *control :
             {MainForm->saikeisoku, MainForm->shuuryou, MainForm->SaiPanel, MainForm->ShuPanel})
            QCOMPARE(control->mask(),
                     QRegion(2, 2, control->width() - 4, control->height() - 4, QRegion::Ellipse));
    }

    void remeasureHidesTheControlsStopsTheBlinkAndKeepsTheScore()
    {
        finishedRun(1234, 1234);
        MainForm->Timer1->OnTimer();
        QVERIFY(ButtonBlink);
        MainForm->saikeisoku->OnClick();
        for (QWidget *control : sixControls())
            QVERIFY(control->isHidden());
        QVERIFY(!MainForm->Timer1->Enabled());
        QCOMPARE(Score, 1234);
        QVERIFY(ButtonBlink);
    }

    void handPointerShowsOnTheFramesOnly()
    {
        QCOMPARE(MainForm->SaiPanel->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(MainForm->ShuPanel->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(MainForm->saikeisoku->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(MainForm->shuuryou->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(MainForm->cursor().shape(), Qt::ArrowCursor);
    }

    void blinkTicksSwapTheLabelColoursOntoTheButtons()
    {
        finishedRun(1234, 1234);
        MainForm->Label1->setFontColor(clRed);
        MainForm->Label1->setColor(clYellow);
        MainForm->Label3->setFontColor(clAqua);
        MainForm->Label3->setColor(clNavy);

        // One tick: each button gets its own label's colours, face and text swapped.
        MainForm->Timer1->OnTimer();
        QVERIFY(ButtonBlink);
        QCOMPARE(MainForm->saikeisoku->Color(), clAqua);
        QCOMPARE(MainForm->saikeisoku->FontColor(), clNavy);
        QCOMPARE(MainForm->shuuryou->Color(), clRed);
        QCOMPARE(MainForm->shuuryou->FontColor(), clYellow);
    }

    // However a left press ends, the button is back at rest, and the next press sinks it
    // by the same depth again.
    void leftPressSinksTheButtonUntilThePressEnds_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("clicks");
        QTest::newRow("re-measure, released on it") << false << "release at 50,13" << true;
        QTest::newRow("re-measure, released off it") << false << "release at 150,13" << false;
        QTest::newRow("quit, released off it") << true << "release at -20,5" << false;
        QTest::newRow("re-measure, released into the menu") << false << "right press" << false;
        QTest::newRow("quit, released into the menu") << true << "right press" << false;
        QTest::newRow("quit, its frame hidden") << true << "hide" << false;
        QTest::newRow("re-measure, the window deactivated") << false << "deactivate" << false;
        QTest::newRow("quit, pointer back with the button up") << true << "move up" << false;
    }
    void leftPressSinksTheButtonUntilThePressEnds()
    {
        QFETCH(bool, quit);
        QFETCH(QString, end);
        QFETCH(bool, clicks);
        finishedRun(200, 200);
        TPanel *button = quit ? MainForm->shuuryou : MainForm->saikeisoku;
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(50, 13));
        QCOMPARE(button->pos(), QPoint(2, 2));
        if (end.startsWith(QLatin1String("release at "))) {
            const QStringList xy = end.mid(11).split(u',');
            QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(xy[0].toInt(), xy[1].toInt()));
        } else if (end == QLatin1String("right press")) {
            // The menu takes the pointer; the button stays down until the left release,
            // which goes to the menu.
            QTest::mousePress(button, Qt::RightButton, {}, QPoint(50, 13));
            QVERIFY(MainForm->PopupMenu1->isVisible());
            QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(50, 13));
            QCOMPARE(button->pos(), QPoint(2, 2));
            QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(50, 13));
            QCOMPARE(button->pos(), QPoint(0, 0));
            MainForm->PopupMenu1->close();
        } else if (end == QLatin1String("hide")) {
            button->parentWidget()->hide();
            QCOMPARE(button->pos(), QPoint(0, 0));
            button->parentWidget()->show();
        } else if (end == QLatin1String("deactivate")) {
            QEvent deactivate(QEvent::WindowDeactivate);
            QApplication::sendEvent(button, &deactivate);
        } else {
            QMouseEvent move(QEvent::MouseMove, QPointF(60, 13),
                             button->mapToGlobal(QPointF(60, 13)), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(button, &move);
        }
        QCOMPARE(button->pos(), QPoint(0, 0));
        // Re-measure stops the blink timer; quit would close the window.
        const bool clicked = !MainForm->Timer1->Enabled() || MainForm->isHidden();
        QCOMPARE(clicked, clicks);

        // A release that comes after all, and the next press and release.
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 13));
        QCOMPARE(button->pos(), QPoint(0, 0));
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(50, 13));
        QCOMPARE(button->pos(), QPoint(2, 2));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 13));
        QCOMPARE(button->pos(), QPoint(0, 0));
    }

    void aQuickSecondPressSinksTheButtonLikeTheFirst()
    {
        finishedRun(200, 200);
        TPanel *button = MainForm->saikeisoku;
        const QPoint on(50, 13), off(150, 13);
        QTest::mousePress(button, Qt::LeftButton, {}, on);
        QTest::mouseRelease(button, Qt::LeftButton, {}, off);
        // The second press of a double click comes as its own kind of event.
        QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(on),
                           button->mapToGlobal(QPointF(on)), Qt::LeftButton, Qt::LeftButton,
                           Qt::NoModifier);
        QApplication::sendEvent(button, &second);
        QCOMPARE(button->pos(), QPoint(2, 2));
        QTest::mouseRelease(button, Qt::LeftButton, {}, off);
        QCOMPARE(button->pos(), QPoint(0, 0));
    }

    // Presses outside the ellipse arrive only while another button holds the pointer.
    void onlyALeftPressOnTheBodyDragsTheWindow_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<bool>("drags");
        QTest::newRow("centre") << QPoint(256, 146) << true;
        QTest::newRow("corner, outside the ellipse") << QPoint(3, 3) << false;
        QTest::newRow("beyond the window") << QPoint(641, 423) << false;
    }
    void onlyALeftPressOnTheBodyDragsTheWindow()
    {
        QFETCH(QPoint, press);
        QFETCH(bool, drags);
        MainForm->move(300, 300);
        auto send = [](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
            QMouseEvent event(type, QPointF(at), MainForm->mapToGlobal(QPointF(at)),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(MainForm, &event);
        };
        send(QEvent::MouseButtonPress, press, Qt::LeftButton);
        send(QEvent::MouseMove, press + QPoint(-100, -80), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, press + QPoint(-100, -80), Qt::NoButton);
        QCOMPARE(MainForm->pos(), drags ? QPoint(200, 220) : QPoint(300, 300));
    }

    // Input queued before the window's last move refers to where the window was then.
    void aDragKeepsThePressedPointUnderThePointerEvenFromStaleInput()
    {
        MainForm->move(300, 300);
        const QPoint body(256, 146), wasAt(100, 100);
        auto send = [](QEvent::Type type, QPoint at, QPoint global, Qt::MouseButtons buttons) {
            QMouseEvent event(type, QPointF(at), QPointF(global),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(MainForm, &event);
        };
        send(QEvent::MouseButtonPress, body, wasAt + body, Qt::LeftButton);
        const QPoint pointer(600, 500);
        send(QEvent::MouseMove, pointer - MainForm->pos(), pointer, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, pointer - MainForm->pos(), pointer, Qt::NoButton);
        QCOMPARE(MainForm->pos(), pointer - body);
    }

    void rightPressOpensTheMenuBelowTheButtonWithoutMovingIt_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("re-measure") << false << QPoint(10, 5) << QPoint(85, 140);
        QTest::newRow("quit") << true << QPoint(10, 5) << QPoint(85, 180);
    }
    void rightPressOpensTheMenuBelowTheButtonWithoutMovingIt()
    {
        QFETCH(bool, quit);
        QFETCH(QPoint, press);
        QFETCH(QPoint, offset);
        finishedRun(200, 200);
        TPanel *button = quit ? MainForm->shuuryou : MainForm->saikeisoku;
        QTest::mousePress(button, Qt::RightButton, {}, press);
        QVERIFY(MainForm->PopupMenu1->isVisible());
        QCOMPARE(MainForm->PopupMenu1->pos(), MainForm->pos() + press + offset);
        MainForm->PopupMenu1->close();
        QTest::mouseRelease(button, Qt::RightButton, {}, press);
        QCOMPARE(button->pos(), QPoint(0, 0));

        QTest::mousePress(button, Qt::MiddleButton, {}, press);
        QTest::mouseRelease(button, Qt::MiddleButton, {}, press);
        QCOMPARE(button->pos(), QPoint(0, 0));
        QVERIFY(!MainForm->PopupMenu1->isVisible());
        QVERIFY(MainForm->Timer1->Enabled());
    }

    // Both ways to the screen show a finished window pixel for pixel alike: the field, the
    // labels over it and the buttons.
    void bothPresentersShowTheSameWindow()
    {
        finishedRun(200, 200);
        TMainForm *const fastest = MainForm;
        QCOMPARE(fastest->Image1->presenter()->path(), "shm");
        const QImage shm = showSameFrame(*fastest, QPoint(0, 0));
        QImage qt;
        {
            TMainForm backBuffer(nullptr, FieldPath::BackBuffer);
            QCOMPARE(backBuffer.Image1->presenter()->path(), "qt");
            backBuffer.ShowCentred();
            QVERIFY(QTest::qWaitForWindowExposed(&backBuffer));
            finishedRun(200, 200);
            qt = showSameFrame(backBuffer, QPoint(600, 600));
        }
        MainForm = fastest;
        finishedRun(200, 200); // its idle hook back
        const QRegion inside = windowEllipse();
        int compared = 0, differing = 0;
        for (int y = 0; y < kMainWindowHeight; ++y)
            for (int x = 0; x < kMainWindowWidth; ++x)
                if (inside.contains(QPoint(x, y))) {
                    ++compared;
                    differing += shm.pixel(x, y) != qt.pixel(x, y);
                }
        if (differing) {
            shm.save(QDir::temp().filePath("plovex-shm.png"));
            qt.save(QDir::temp().filePath("plovex-qt.png"));
        }
        QVERIFY(compared > 100000);
        QCOMPARE(differing, 0);
    }
};

int main(int argc, char *argv[])
{
    setTickSource(readFakeTick);

    // The tests run from the program's loop once its start-up has shown the main window,
    // then end the program.
    TestMainForm test;
    int status = 1;
    startupwatch::shown = [&](TMainForm &) {
        startUp.creating = false;
        QTimer::singleShot(0, [&] {
            status = QTest::qExec(&test, argc, argv);
            Application->Terminate();
        });
    };
    const int exitStatus = RunPlovex(argc, argv);
    return exitStatus != 0 ? exitStatus : status;
}

#include "test_mainform.moc"
