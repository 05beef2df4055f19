// The measurement run, frame by frame on a tick counter the test sets, and the main
// window's shape, placement and finish controls. The windows are made by the program's
// own start-up; the tests run inside its loop.
#include "application.h"
#include "fonts.h"
#include "mainform.h"
#include "rating.h"
#include "runstate.h"
#include "scoreform.h"
#include "sound.h"
#include "spritefield.h"
#include "startup.h"
#include "tick.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <limits>
#include <set>

namespace {

// What the start-up had done each time the main window's creation read the clock.
struct StartUpSeen
{
    bool creating = true; // until the start-up shows the main window
    QString title;
    bool scoreTableMade = false;
    bool idleHook = false;
} startUp;

constexpr std::uint32_t kRunStart = 1'000'000;
std::uint32_t fakeTick = kRunStart;
std::uint32_t readFakeTick()
{
    if (startUp.creating) {
        startUp.title = Application ? Application->Title() : QString();
        startUp.scoreTableMade = startUp.scoreTableMade || ScoreForm;
        startUp.idleHook = startUp.idleHook || (Application && Application->OnIdle());
    }
    return fakeTick;
}
std::vector<unsigned> beeps;

const QString kRow1 = QStringLiteral("\u3000\u3000\u3000\u3000\u3000\u3000\u3000只");
const QString kRow2 = QStringLiteral("\u3000\u3000\u3000\u3000\u3000\u3000只今");
const QString kRow26 = QStringLiteral("・\u3000\u3000\u3000\u3000\u3000\u3000\u3000");
const QString kRow27 = QString(8, QChar(0x3000));
const QString kHeader = QStringLiteral("Ｐｌｏｖｅｘメッセージ！");

// Every run after the first starts from the re-measure button.
void startRun(std::uint32_t at = kRunStart)
{
    fakeTick = at;
    MainForm->saikeisokuClick();
}

// Draws the frame stamped `ms` into the run. `frames`, when given, is the run's frame
// count with this frame, standing in for the frames a real run would have drawn.
void frameAt(std::int32_t ms, std::int32_t frames = 0)
{
    fakeTick = std::uint32_t(StartTick) + std::uint32_t(ms);
    if (frames > 0)
        FrameCount = frames - 1;
    MainForm->DrawFrame();
}

std::int32_t framesForScore(std::int32_t score, std::int32_t ms)
{
    std::int64_t frames = std::max<std::int64_t>(1, (std::int64_t(score) * ms - 500) / 1000);
    while ((frames * 1000 + 500) / ms < score)
        ++frames;
    return std::int32_t(frames);
}

// Marquee frames, a scoring frame at 8750 ms and the finish at 8850 ms.
void finishedRun(std::int32_t scoring, std::int32_t final)
{
    startRun();
    frameAt(100);
    frameAt(4000);
    frameAt(8600);
    frameAt(8750, framesForScore(scoring, 8750));
    frameAt(8850, framesForScore(final, 8850));
}

QString colourName(TColor colour)
{
    return QString::number(toPixel(colour), 16);
}

// The colour of every field pixel that no sprite and no digit tile covers.
QString fieldBackground()
{
    const FieldBitmap &field = *MainForm->Image1->Field();
    std::vector<bool> covered(FieldBitmap::kWidth * FieldBitmap::kHeight);
    auto cover = [&](int left, int top) {
        for (int y = std::max(top, 0); y < std::min(top + kTileSize, FieldBitmap::kHeight); ++y)
            for (int x = std::max(left, 0); x < std::min(left + kTileSize, FieldBitmap::kWidth);
                 ++x)
                covered[std::size_t(y * FieldBitmap::kWidth + x)] = true;
    };
    for (int i = 0; i < kSpriteCount; ++i)
        cover(SpriteX[i], SpriteY[i]);
    for (int k = 0; k < 4; ++k)
        cover(168 + 48 * k, 32);
    std::set<std::uint32_t> colours;
    for (int y = 0; y < FieldBitmap::kHeight; ++y)
        for (int x = 0; x < FieldBitmap::kWidth; ++x)
            if (!covered[std::size_t(y * FieldBitmap::kWidth + x)])
                colours.insert(field.pixel(x, y));
    QStringList names;
    for (std::uint32_t c : colours)
        names << QString::number(c, 16);
    return names.join(u',');
}

// Whether every opaque pixel of `tile` at (x, y) is as DrawTile leaves it.
bool fieldShowsTile(int x, int y, int tile)
{
    const FieldBitmap &field = *MainForm->Image1->Field();
    FieldBitmap expected(field);
    DrawTile(expected, builtInSheets(), x, y, tile);
    int opaque = 0;
    for (int ty = 0; ty < kTileSize; ++ty) {
        for (int tx = 0; tx < kTileSize; ++tx) {
            if (builtInSheets().mask.pixel(tile * kTileSize + tx, ty) != toPixel(clBlack))
                continue;
            ++opaque;
            if (field.pixel(x + tx, y + ty) != expected.pixel(x + tx, y + ty))
                return false;
        }
    }
    return opaque > 0;
}

QList<QWidget *> sixControls()
{
    return {MainForm->saikeisoku, MainForm->shuuryou, MainForm->SaiPanel,
            MainForm->ShuPanel,   MainForm->Label1,   MainForm->Label3};
}

// Which steps of the finish sequence have taken effect, in the order they are listed.
QString finishStepsDone()
{
    const QList<TPanel *> panels = {MainForm->saikeisoku, MainForm->shuuryou, MainForm->SaiPanel,
                                    MainForm->ShuPanel};
    QStringList done;
    if (!ButtonBlink)
        done << "blink";
    if (MainForm->saikeisoku->Color() == clSilver &&
        MainForm->saikeisoku->FontColor() == clMaroon && MainForm->shuuryou->Color() == clSilver &&
        MainForm->shuuryou->FontColor() == clGreen)
        done << "colours";
    if (MainForm->Timer1->Enabled())
        done << "timer";
    if (!MainForm->Label1->Transparent() && !MainForm->Label3->Transparent())
        done << "opaque";
    if (!MainForm->Label1->isHidden() && !MainForm->Label3->isHidden())
        done << "labels";
    if (std::all_of(panels.begin(), panels.end(), [](TPanel *p) { return !p->mask().isEmpty(); }))
        done << "shapes";
    const QStringList names = {"saikeisoku", "shuuryou", "SaiPanel", "ShuPanel"};
    for (int i = 0; i < panels.size(); ++i)
        if (!panels[i]->isHidden())
            done << names[i];
    return done.join(u' ');
}
QString stepsDoneAtBeep;

// Notes what the finish sequence has done when a control is made visible.
class ShowWatcher : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShowToParent && !seen.contains(watched))
            seen.insert(watched, finishStepsDone());
        return false;
    }
    QHash<QObject *, QString> seen;
};

QRegion windowEllipse()
{
    return QRegion(0, 0, 512, 293, QRegion::Ellipse);
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
        beeps.clear();
        MainForm->PopupMenu1->hide();
    }

    // Must stay first: it looks at the run the window's creation started.
    void firstRunStartFrameIsBlackAndLeavesTheStatusLineHidden()
    {
        QCOMPARE(FrameCount, 1);
        QCOMPARE(fieldBackground(), colourName(clBlack));
        for (QWidget *control : sixControls())
            QVERIFY(!control->isVisible());
        frameAt(1);
        QVERIFY(MainForm->Label3->isVisible());
    }

    // Facts of the program's own start-up, as the creation of the main window and the
    // first show found them.
    void startUpMakesTheWindowsInItsOrder_data()
    {
        QTest::addColumn<bool>("holds");
        QTest::newRow("the title is set before the main window is made")
            << (startUp.title == QStringLiteral("Plovex"));
        QTest::newRow("the score table is made after the main window")
            << (!startUp.scoreTableMade && ScoreForm != nullptr);
        QTest::newRow("the first window made is the main one")
            << (Application->MainForm() == MainForm && MainForm != nullptr);
        QTest::newRow("the score table stays hidden") << ScoreForm->isHidden();
        QTest::newRow("the idle hook is installed last, after the first frame")
            << (!startUp.idleHook && bool(Application->OnIdle()));
    }
    void startUpMakesTheWindowsInItsOrder()
    {
        QFETCH(bool, holds);
        QVERIFY(holds);
    }

    void windowIsAFramelessEllipseCentredOnce()
    {
        QVERIFY(MainForm->windowFlags().testFlag(Qt::FramelessWindowHint));
        // The desktop lists the program by its title; the caption is the window's own.
        QCOMPARE(MainForm->windowTitle(), QStringLiteral("Plovex"));
        QCOMPARE(MainForm->Caption(), QStringLiteral(" Plovex     Vendrake\u3000"));
        QCOMPARE(MainForm->size(), QSize(512, 293));
        QCOMPARE(MainForm->Image1->geometry(), QRect(0, 0, 512, 312));
        QCOMPARE(MainForm->windowHandle()->mask(), windowEllipse());
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), QSize(1280, 1024));
        QCOMPARE(MainForm->pos(), QPoint(384, 365));

        // Re-measure shapes the window again, and leaves it where the user put it.
        MainForm->move(40, 50);
        MainForm->windowHandle()->setMask(QRegion());
        finishedRun(200, 200);
        MainForm->saikeisokuClick();
        QCOMPARE(MainForm->windowHandle()->mask(), windowEllipse());
        QCOMPARE(MainForm->pos(), QPoint(40, 50));
        MainForm->ShowCentred();
        QCOMPARE(MainForm->pos(), QPoint(40, 50));
    }

    void statusLineShowsTheRowOfItsTime_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 ms: row 1") << 1 << kRow1;
        QTest::newRow("300 ms: row 1") << 300 << kRow1;
        QTest::newRow("301 ms: row 2") << 301 << kRow2;
        QTest::newRow("7800 ms: row 26") << 7800 << kRow26;
        QTest::newRow("7801 ms: row 27") << 7801 << kRow27;
        QTest::newRow("7999 ms: row 27") << 7999 << kRow27;
    }
    void statusLineShowsTheRowOfItsTime()
    {
        QFETCH(int, ms);
        QFETCH(QString, text);
        startRun();
        frameAt(ms);
        QCOMPARE(MainForm->Label3->Caption(), text);
        QVERIFY(MainForm->Label3->isVisible());
        QVERIFY(MainForm->Label3->Transparent());
        QCOMPARE(MainForm->Label3->FontColor(), clWhite);
        QCOMPARE(MainForm->Label3->font().pixelSize(), 29);
    }

    void statusLineIsCentredFromTheSecondMarqueeFrame()
    {
        startRun();
        frameAt(50);
        for (int ms : {400, 2300, 5000, 7900}) {
            frameAt(ms);
            QCOMPARE(MainForm->Label3->x(), (512 - MainForm->Label3->width()) / 2);
        }
    }

    void quietPhaseKeepsTheLastStatusTextInPlaceInFuchsia()
    {
        startRun();
        frameAt(100);
        frameAt(7800);
        const QPoint place = MainForm->Label3->pos();
        for (int ms : {8000, 8400, 8700}) {
            frameAt(ms);
            QCOMPARE(MainForm->Label3->Caption(), kRow26);
            QCOMPARE(MainForm->Label3->pos(), place);
            QVERIFY(MainForm->Label3->isVisible());
            QCOMPARE(MainForm->Label3->FontColor(), clFuchsia);
        }
    }

    void idleHookDrawsFramesUpTo8800Only_data()
    {
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<int>("framesDrawn");
        QTest::newRow("8800 ms") << 8800 << 1;
        QTest::newRow("8801 ms") << 8801 << 0;
    }
    void idleHookDrawsFramesUpTo8800Only()
    {
        QFETCH(int, elapsed);
        QFETCH(int, framesDrawn);
        startRun();
        frameAt(elapsed);
        const std::int32_t before = FrameCount;
        bool done = true;
        MainForm->AppOnIdle(Application, done);
        QCOMPARE(FrameCount - before, framesDrawn);
        QVERIFY(done);
    }

    void finishFrameBeepsOnceAndRevealsTheButtons()
    {
        startRun();
        frameAt(100);
        frameAt(8750, framesForScore(120, 8750));
        frameAt(8800, framesForScore(120, 8800));
        QVERIFY(beeps.empty());
        QVERIFY(MainForm->SaiPanel->isHidden());
        QVERIFY(MainForm->Label1->isHidden());
        QVERIFY(!MainForm->Timer1->Enabled());

        ButtonBlink = true;
        MainForm->saikeisoku->setColor(clRed);
        MainForm->shuuryou->setFontColor(clRed);
        frameAt(8850, framesForScore(125, 8850));
        QCOMPARE(Score, 125);
        QCOMPARE(beeps, std::vector<unsigned>{0});
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

        // The run is over: later idle passes draw nothing and stay silent.
        bool done = true;
        fakeTick += 500;
        MainForm->AppOnIdle(Application, done);
        MainForm->AppOnIdle(Application, done);
        QCOMPARE(beeps.size(), std::size_t(1));
        QCOMPARE(ElapsedMs, 8850);
    }

    // Which steps are done when the beep sounds and as each control is shown.
    void finishSequenceRunsInItsOrder_data()
    {
        // At a control's show, its own showing counts as done.
        QTest::addColumn<QString>("moment");
        QTest::addColumn<QString>("done");
        const QString before = "blink colours timer opaque labels shapes";
        QTest::newRow("beep first") << "beep"
                                    << "";
        QTest::newRow("blink phase, colours, timer and opacity before the labels show")
            << "Label1"
            << "blink colours timer opaque labels";
        QTest::newRow("all four shapes before re-measure shows")
            << "saikeisoku" << before + " saikeisoku";
        QTest::newRow("then quit") << "shuuryou" << before + " saikeisoku shuuryou";
        QTest::newRow("then the frames") << "SaiPanel" << before + " saikeisoku shuuryou SaiPanel";
        QTest::newRow("the quit frame last")
            << "ShuPanel" << before + " saikeisoku shuuryou SaiPanel ShuPanel";
    }
    void finishSequenceRunsInItsOrder()
    {
        QFETCH(QString, moment);
        QFETCH(QString, done);
        startRun();
        frameAt(100);
        frameAt(8750, framesForScore(400, 8750));
        ButtonBlink = true;
        MainForm->saikeisoku->setColor(clRed);
        MainForm->shuuryou->setFontColor(clRed);
        QHash<QString, QObject *> controls = {{"Label1", MainForm->Label1},
                                              {"saikeisoku", MainForm->saikeisoku},
                                              {"shuuryou", MainForm->shuuryou},
                                              {"SaiPanel", MainForm->SaiPanel},
                                              {"ShuPanel", MainForm->ShuPanel}};
        ShowWatcher watcher;
        for (QObject *control : controls) {
            static_cast<QWidget *>(control)->clearMask();
            control->installEventFilter(&watcher);
        }
        stepsDoneAtBeep.clear();
        frameAt(8850, framesForScore(400, 8850));
        QCOMPARE(beeps.size(), std::size_t(1));
        const QString seen = moment == QLatin1String("beep") ? stepsDoneAtBeep
                                                             : watcher.seen.value(controls[moment]);
        QCOMPARE(seen, done);
    }

    void frameJumpingPast8800ScoresAndFinishesOnABlackField()
    {
        startRun();
        frameAt(100);
        frameAt(7900);
        const int marqueeWidth = MainForm->Label3->width();
        frameAt(8900, 3); // score 0: band 1 would clear red
        QCOMPARE(Score, 0);
        QCOMPARE(beeps.size(), std::size_t(1));
        QCOMPARE(fieldBackground(), colourName(clBlack));
        QCOMPARE(MainForm->Label3->Caption(), kHeader);
        QVERIFY(MainForm->Label3->width() != marqueeWidth);
        QCOMPARE(MainForm->Label3->x(), (512 - marqueeWidth) / 2);
    }

    void remeasureStartFrameClearsByThePreviousScore_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<TColor>("field");
        QTest::newRow("349: white") << 349 << clWhite;
        QTest::newRow("350: black") << 350 << clBlack;
    }
    void remeasureStartFrameClearsByThePreviousScore()
    {
        QFETCH(int, score);
        QFETCH(TColor, field);
        finishedRun(score, score);
        QCOMPARE(Score, score);
        MainForm->saikeisokuClick();
        QCOMPARE(FrameCount, 1);
        QCOMPARE(ElapsedMs, 0);
        QCOMPARE(fieldBackground(), colourName(field));
    }

    void remeasureHidesTheControlsStopsTheBlinkAndKeepsTheScore()
    {
        finishedRun(1234, 1234);
        MainForm->Timer1Timer();
        QVERIFY(ButtonBlink);
        MainForm->saikeisokuClick();
        for (QWidget *control : sixControls())
            QVERIFY(control->isHidden());
        QVERIFY(!MainForm->Timer1->Enabled());
        QCOMPARE(Score, 1234);
        QVERIFY(ButtonBlink);
    }

    void tickWrapDuringARunGivesTheTrueElapsedTime_data()
    {
        QTest::addColumn<quint32>("start");
        QTest::addColumn<int>("elapsed");
        QTest::newRow("unsigned wrap") << quint32(0xFFFFFF00u) << 512;
        QTest::newRow("from the last tick") << quint32(0xFFFFFFFFu) << 8801;
        QTest::newRow("signed wrap") << quint32(0x7FFFFFF0u) << 300;
    }
    void tickWrapDuringARunGivesTheTrueElapsedTime()
    {
        QFETCH(quint32, start);
        QFETCH(int, elapsed);
        startRun(start);
        fakeTick = start + std::uint32_t(elapsed);
        MainForm->DrawFrame();
        QCOMPARE(ElapsedMs, elapsed);
    }

    void tickWrapInTheMiddleOfARunKeepsTheRunsPhases_data()
    {
        QTest::addColumn<quint32>("start");
        QTest::newRow("counter wraps to 0 at 4000 ms") << quint32(0xFFFFFFFFu - 3999u);
        QTest::newRow("sign flips at 4000 ms") << quint32(0x7FFFFFFFu - 3999u);
    }
    void tickWrapInTheMiddleOfARunKeepsTheRunsPhases()
    {
        QFETCH(quint32, start);
        startRun(start);
        for (int ms : {100, 3999, 4000, 4001, 7900, 8750}) {
            frameAt(ms, ms);
            QCOMPARE(ElapsedMs, ms);
            QVERIFY(beeps.empty());
        }
        QCOMPARE(MainForm->Label3->Caption(), kHeader);
        bool done = true;
        MainForm->AppOnIdle(Application, done);
        QCOMPARE(FrameCount, 8751);
        frameAt(8850, 88500);
        QCOMPARE(Score, 10000);
        QCOMPARE(beeps.size(), std::size_t(1));
        MainForm->AppOnIdle(Application, done);
        QCOMPARE(FrameCount, 88500);
    }

    // Frames slower than 100 ms skip whole phases; each lands in the phase of its time.
    void slowFrameLandsInThePhaseOfItsTime_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("scored");
        QTest::addColumn<bool>("finished");
        QTest::newRow("marquee into the quiet phase") << 7790 << 8300 << false << false;
        QTest::newRow("quiet phase into scoring") << 8600 << 8790 << true << false;
        QTest::newRow("scoring past the finish") << 8701 << 8950 << true << true;
        QTest::newRow("start frame to 30 s") << 0 << 30000 << true << true;
    }
    void slowFrameLandsInThePhaseOfItsTime()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, scored);
        QFETCH(bool, finished);
        startRun();
        if (from > 0)
            frameAt(from, 1000);
        const QString status = MainForm->Label3->Caption();
        frameAt(to, 5000);
        QCOMPARE(MainForm->Label3->Caption(), scored ? kHeader : status);
        QCOMPARE(Score, scored ? ComputeScore(5000, to) : 0);
        QCOMPARE(beeps.size(), std::size_t(finished ? 1 : 0));
        QCOMPARE(MainForm->shuuryou->isVisible(), finished);
        bool done = true;
        MainForm->AppOnIdle(Application, done);
        QCOMPARE(FrameCount, finished ? 5000 : 5001);
    }

    // A clock that jumps 9 s between two readings: the run's start frame is its finish.
    void runOfASingleFrameFinishesInItsStartFrame()
    {
        fakeTick = kRunStart;
        setTickSource([] { return fakeTick += 9000; });
        MainForm->FormCreate();
        setTickSource(readFakeTick);
        QCOMPARE(FrameCount, 1);
        QCOMPARE(ElapsedMs, 9000);
        QCOMPARE(Score, 0);
        QCOMPARE(beeps.size(), std::size_t(1));
        QVERIFY(MainForm->shuuryou->isVisible());
        QVERIFY(MainForm->Timer1->Enabled());
        QCOMPARE(fieldBackground(), colourName(clBlack));
        QVERIFY(fieldShowsTile(168, 32, 0) && fieldShowsTile(312, 32, 0));
        bool done = true;
        MainForm->AppOnIdle(Application, done);
        QCOMPARE(FrameCount, 1);
    }

    void extremeScoresShowTheirTilesTextAndBand_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("score");
        QTest::addColumn<QList<int>>("digits");
        QTest::addColumn<int>("band");
        // All finish at 8850 ms.
        QTest::newRow("0") << 1 << 0 << QList<int>{0, 0, 0, 0} << 0;
        QTest::newRow("9999") << 88491 << 9999 << QList<int>{9, 9, 9, 9} << 20;
        QTest::newRow("10000") << 88500 << 10000 << QList<int>{0, 0, 0, 0} << 20;
        QTest::newRow("2 147 483 frames") << 2147483 << 242653 << QList<int>{2, 6, 5, 3} << 20;
        QTest::newRow("2 147 484 frames, past 32 bits")
            << 2147484 << 242653 << QList<int>{2, 6, 5, 3} << 20;
        QTest::newRow("most frames a run can count")
            << std::numeric_limits<int>::max() << 242653519 << QList<int>{3, 5, 1, 9} << 20;
    }
    void extremeScoresShowTheirTilesTextAndBand()
    {
        QFETCH(int, frames);
        QFETCH(int, score);
        QFETCH(QList<int>, digits);
        QFETCH(int, band);
        startRun();
        frameAt(100);
        frameAt(8850, frames);
        QCOMPARE(Score, score);
        for (int k = 0; k < 4; ++k)
            QVERIFY2(fieldShowsTile(168 + 48 * k, 32, digits[k]), qPrintable(QString::number(k)));
        QVERIFY(MainForm->Label1->Caption().startsWith(
            QStringLiteral("反重力  %1 [RG]\n\r").arg(score)));
        QCOMPARE(MainForm->Label1->Caption(), ComposeRatingText(score));
        QCOMPARE(ratingBandIndex(Score), band);
        QVERIFY(MainForm->Label1->isVisible());
    }

    void lowScoreClearsTheFieldInTheBandColourFromTheSecondScoringFrame()
    {
        startRun();
        frameAt(100);
        frameAt(8710, framesForScore(120, 8710));
        QCOMPARE(fieldBackground(), colourName(clBlack));
        frameAt(8760, framesForScore(120, 8760));
        QCOMPARE(fieldBackground(), colourName(clLime));
    }

    void finishedColoursFollowTheLastTwoScores_data()
    {
        QTest::addColumn<int>("scoring");
        QTest::addColumn<int>("final");
        QTest::addColumn<TColor>("field");
        QTest::addColumn<TColor>("label1Text");
        QTest::addColumn<TColor>("label1Back");
        QTest::addColumn<TColor>("label3Text");
        QTest::addColumn<TColor>("label3Back");
        QTest::newRow("band 1") << 40 << 40 << clRed << clYellow << clRed << clWhite << clRed;
        QTest::newRow("band 3") << 120 << 120 << clLime << clBlue << clLime << clFuchsia << clLime;
        QTest::newRow("350 and above")
            << 1234 << 1234 << clBlack << clInfoBk << clBlack << clFuchsia << clBlack;
        QTest::newRow("rise from band 7 on the finish frame")
            << 320 << 400 << clPurple << clAqua << clPurple << clYellow << clPurple;
        QTest::newRow("fall into band 3 on the finish frame")
            << 400 << 120 << clBlack << clBlue << clLime << clFuchsia << clLime;
    }
    void finishedColoursFollowTheLastTwoScores()
    {
        QFETCH(int, scoring);
        QFETCH(int, final);
        QFETCH(TColor, field);
        finishedRun(scoring, final);
        QCOMPARE(Score, final);
        QCOMPARE(fieldBackground(), colourName(field));
        QTEST(MainForm->Label1->FontColor(), "label1Text");
        QTEST(MainForm->Label1->Color(), "label1Back");
        QTEST(MainForm->Label3->FontColor(), "label3Text");
        QTEST(MainForm->Label3->Color(), "label3Back");
    }

    void digitTilesShowTheLowestFourDigits_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<QList<int>>("digits");
        QTest::newRow("1234") << 1234 << QList<int>{1, 2, 3, 4};
        QTest::newRow("12345") << 12345 << QList<int>{2, 3, 4, 5};
        QTest::newRow("7") << 7 << QList<int>{0, 0, 0, 7};
    }
    void digitTilesShowTheLowestFourDigits()
    {
        QFETCH(int, score);
        QFETCH(QList<int>, digits);
        finishedRun(score, score);
        QCOMPARE(Score, score);
        for (int k = 0; k < 4; ++k)
            QVERIFY2(fieldShowsTile(168 + 48 * k, 32, digits[k]), qPrintable(QString::number(k)));
    }

    void ratingTextAndHeaderEndCentred_data()
    {
        QTest::addColumn<int>("score");
        QTest::newRow("band 3") << 123;
        QTest::newRow("band 21, four lines") << 7000;
    }
    void ratingTextAndHeaderEndCentred()
    {
        QFETCH(int, score);
        startRun();
        frameAt(100);
        frameAt(5000);
        for (int ms : {8710, 8740, 8790, 8830})
            frameAt(ms, framesForScore(score, ms));
        QCOMPARE(Score, score);
        QCOMPARE(MainForm->Label1->Caption(), ComposeRatingText(score));
        QCOMPARE(MainForm->Label3->Caption(), kHeader);
        QCOMPARE(MainForm->Label3->font().pixelSize(), 19);
        QCOMPARE(MainForm->Label1->x(), (512 - MainForm->Label1->width()) / 2);
        QCOMPARE(MainForm->Label3->x(), (512 - MainForm->Label3->width()) / 2);
        QCOMPARE(MainForm->Label1->y(), 120);
        QCOMPARE(MainForm->Label3->y(), 102);
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

        MainForm->Timer1->tick();
        QVERIFY(ButtonBlink);
        QCOMPARE(MainForm->saikeisoku->Color(), clAqua);
        QCOMPARE(MainForm->saikeisoku->FontColor(), clNavy);
        QCOMPARE(MainForm->shuuryou->Color(), clRed);
        QCOMPARE(MainForm->shuuryou->FontColor(), clYellow);

        MainForm->Timer1->tick();
        QVERIFY(!ButtonBlink);
        QCOMPARE(MainForm->saikeisoku->Color(), clSilver);
        QCOMPARE(MainForm->saikeisoku->FontColor(), clMaroon);
        QCOMPARE(MainForm->shuuryou->Color(), clSilver);
        QCOMPARE(MainForm->shuuryou->FontColor(), clGreen);
        QCOMPARE(MainForm->Timer1->Interval(), 1000);
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
        QTest::newRow("re-measure, the menu takes the pointer") << false << "right press" << false;
        QTest::newRow("quit, the menu takes the pointer") << true << "right press" << false;
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
            QTest::mousePress(button, Qt::RightButton, {}, QPoint(50, 13));
            QVERIFY(MainForm->PopupMenu1->isVisible());
            QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(50, 13));
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
        QTest::newRow("re-measure, lower right") << false << QPoint(99, 26) << QPoint(85, 140);
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
};

int main(int argc, char *argv[])
{
    setTickSource(readFakeTick);
    setBeepHandler([](unsigned type) {
        beeps.push_back(type);
        stepsDoneAtBeep = finishStepsDone();
    });

    // The tests run from the program's loop once its start-up has shown the main window,
    // then end the program.
    TestMainForm test;
    int status = 1;
    RunHooks hooks;
    hooks.beforeShow = [&](TMainForm &) {
        startUp.creating = false;
        QTimer::singleShot(0, [&] {
            status = QTest::qExec(&test, argc, argv);
            Application->Terminate();
        });
    };
    const int exitStatus = RunPlovex(argc, argv, hooks);
    return exitStatus != 0 ? exitStatus : status;
}

#include "test_mainform.moc"
