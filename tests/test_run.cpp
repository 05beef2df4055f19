// The measurement run's rules, frame by frame on a tick counter the test sets, with a view
// that records what it is told: phases and thresholds, the colour prelude, the status
// line, scoring, the finish and the order of a run's start.
#include "rating.h"
#include "run.h"
#include "runclock.h"
#include "runstate.h"
#include "spritefield.h"
#include "tick.h"

#include <QTest>

#include <limits>
#include <set>

namespace {

using runclock::fakeTick;
using runclock::framesForScore;
using runclock::kRunStart;
std::uint32_t readFakeTick()
{
    return fakeTick;
}

const QString kRow1 = QStringLiteral("\u3000\u3000\u3000\u3000\u3000\u3000\u3000只");
const QString kRow2 = QStringLiteral("\u3000\u3000\u3000\u3000\u3000\u3000只今");
const QString kRow26 = QStringLiteral("・\u3000\u3000\u3000\u3000\u3000\u3000\u3000");
const QString kRow27 = QString(8, QChar(0x3000));
const QString kHeader = QStringLiteral("Ｐｌｏｖｅｘメッセージ！");

// A label that sizes itself like a real one would, by its text and font size, and notes
// the calls that the finish's order depends on.
struct FakeLabel : RunLabel
{
    FakeLabel(QString name, QStringList &log, TColor colour, TColor fontColour)
        : name(std::move(name)), log(log), color(colour), fontColor(fontColour)
    {
    }
    void setColor(TColor c) override { color = c; }
    void setFontColor(TColor c) override { fontColor = c; }
    void setTransparent(bool t) override
    {
        if (t != transparent)
            log << name + (t ? " transparent" : " opaque");
        transparent = t;
    }
    void setVisible(bool v) override
    {
        if (v != visible)
            log << name + (v ? " shown" : " hidden");
        visible = v;
    }
    void setFontSize(int p) override { points = p; }
    void setCaption(const QString &c) override { caption = c; }
    int width() const override { return int(std::max<qsizetype>(caption.size(), 1)) * points; }
    void setLeft(int l) override { left = l; }

    QString name;
    QStringList &log;
    TColor color, fontColor;
    bool transparent = true, visible = false;
    int points = 12;
    QString caption;
    int left = 0;
};

struct FakeView : RunView
{
    RunLabel &ratingLabel() override { return rating; }
    RunLabel &statusLabel() override { return status; }
    void applyWindowShape() override { log << "shape"; }
    void showField(std::unique_ptr<FieldBitmap> f) override
    {
        log << "field";
        field = std::move(f);
    }
    FieldBitmap &frameField() override { return *field; }
    void installIdleHook() override
    {
        log << QStringLiteral("idle hook after %1 frame").arg(FrameCount);
    }
    void beep() override { log << "beep"; }
    void showButtonColors(bool highlight) override
    {
        log << QStringLiteral("%1 colours, blink %2")
                   .arg(highlight ? "highlight" : "rest", ButtonBlink ? "on" : "off");
    }
    void startBlinkTimer() override { log << "timer"; }
    void revealButtons() override { log << "buttons"; }
    void runFinished() override { log << "finished"; }

    int count(const QString &entry) const { return int(log.count(entry)); }

    QStringList log;
    // As the layout makes them: Label1 purple with white text, Label3 white with maroon.
    FakeLabel rating{"rating", log, clPurple, clWhite};
    FakeLabel status{"status", log, clWhite, clMaroon};
    std::unique_ptr<FieldBitmap> field;
};

std::unique_ptr<FakeView> view;
std::unique_ptr<MeasurementRun> run;

void startRun(std::uint32_t at = kRunStart)
{
    fakeTick = at;
    run->start();
}

void frameAt(std::int32_t ms, std::int32_t frames = 0)
{
    runclock::stampNextFrame(ms, frames);
    run->drawFrame();
}

void finishedRun(std::int32_t scoring, std::int32_t final)
{
    runclock::finishedRun([] { startRun(); }, frameAt, scoring, final);
}

QString colourName(TColor colour)
{
    return QString::number(toPixel(colour), 16);
}

// The colour of every field pixel that no sprite and no digit tile covers.
QString fieldBackground()
{
    const FieldBitmap &field = *view->field;
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
    const FieldBitmap &field = *view->field;
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

bool idlePassDrawsAFrame()
{
    const std::int32_t before = FrameCount;
    run->idle();
    return FrameCount != before;
}

} // namespace

class TestRun : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        // Program start: all run state zero. Each test has a view of its own.
        StartTick = ElapsedMs = FrameCount = Score = 0;
        ButtonBlink = false;
        setTickSource(readFakeTick);
        view = std::make_unique<FakeView>();
        run = std::make_unique<MeasurementRun>(*view, builtInSheets());
    }

    void startShapesPreparesDrawsTheFirstFrameThenHooksTheIdlePass()
    {
        startRun();
        QCOMPARE(view->log, QStringList({"shape", "field", "idle hook after 1 frame"}));
        QCOMPARE(ElapsedMs, 0);
        // The first run's start frame: the prelude cleared it black, and at 0 ms the status
        // line stays hidden until the first frame past it.
        QCOMPARE(fieldBackground(), colourName(clBlack));
        QVERIFY(!view->status.visible);
        frameAt(1);
        QVERIFY(view->status.visible);
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
        QCOMPARE(view->status.caption, text);
        QVERIFY(view->status.visible);
        QVERIFY(view->status.transparent);
        QCOMPARE(view->status.fontColor, clWhite);
        QCOMPARE(view->status.points, 22);
    }

    void statusLineIsPlacedByThePreviousFramesWidth()
    {
        startRun();
        view->status.caption = QStringLiteral("header");
        view->status.points = 14;
        frameAt(50);
        QCOMPARE(view->status.left, (512 - 6 * 14) / 2);
        for (int ms : {400, 2300, 5000, 7900}) {
            frameAt(ms);
            QCOMPARE(view->status.left, (512 - view->status.width()) / 2);
        }
    }

    void quietPhaseKeepsTheLastStatusTextInPlaceInFuchsia()
    {
        startRun();
        frameAt(100);
        frameAt(7800);
        const int left = view->status.left;
        for (int ms : {8000, 8400, 8700}) {
            frameAt(ms);
            QCOMPARE(view->status.caption, kRow26);
            QCOMPARE(view->status.left, left);
            QVERIFY(view->status.visible);
            QCOMPARE(view->status.fontColor, clFuchsia);
        }
    }

    void idlePassDrawsFramesUpTo8800Only_data()
    {
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("8800 ms") << 8800 << true;
        QTest::newRow("8801 ms") << 8801 << false;
    }
    void idlePassDrawsFramesUpTo8800Only()
    {
        QFETCH(int, elapsed);
        startRun();
        frameAt(elapsed);
        QTEST(idlePassDrawsAFrame(), "drawn");
    }

    void finishBeepsOnceAndRevealsEverythingInItsOrder()
    {
        startRun();
        frameAt(100);
        frameAt(8750, framesForScore(120, 8750));
        frameAt(8800, framesForScore(120, 8800));
        QCOMPARE(view->count("beep"), 0);

        ButtonBlink = true;
        view->log.clear();
        frameAt(8850, framesForScore(125, 8850));
        QCOMPARE(Score, 125);
        QCOMPARE(view->log,
                 QStringList({"beep", "rest colours, blink off", "timer", "rating opaque",
                              "status opaque", "rating shown", "buttons", "finished"}));
        QVERIFY(view->status.visible);

        // The run is over: later idle passes draw nothing and stay silent.
        fakeTick += 500;
        QVERIFY(!idlePassDrawsAFrame());
        QVERIFY(!idlePassDrawsAFrame());
        QCOMPARE(view->count("beep"), 1);
        QCOMPARE(ElapsedMs, 8850);
    }

    void frameJumpingPast8800ScoresAndFinishesOnABlackField()
    {
        startRun();
        frameAt(100);
        frameAt(7900);
        const int marqueeWidth = view->status.width();
        frameAt(8900, 3); // score 0: band 1 would clear red
        QCOMPARE(Score, 0);
        QCOMPARE(view->count("beep"), 1);
        QCOMPARE(fieldBackground(), colourName(clBlack));
        QCOMPARE(view->status.caption, kHeader);
        QVERIFY(view->status.width() != marqueeWidth);
        QCOMPARE(view->status.left, (512 - marqueeWidth) / 2);
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
        startRun();
        QCOMPARE(FrameCount, 1);
        QCOMPARE(ElapsedMs, 0);
        QCOMPARE(Score, score);
        QCOMPARE(fieldBackground(), colourName(field));
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
        run->drawFrame();
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
            QCOMPARE(view->count("beep"), 0);
        }
        QCOMPARE(view->status.caption, kHeader);
        QVERIFY(idlePassDrawsAFrame());
        frameAt(8850, 88500);
        QCOMPARE(Score, 10000);
        QCOMPARE(view->count("beep"), 1);
        QVERIFY(!idlePassDrawsAFrame());
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
        const QString status = view->status.caption;
        frameAt(to, 5000);
        QCOMPARE(view->status.caption, scored ? kHeader : status);
        QCOMPARE(Score, scored ? ComputeScore(5000, to) : 0);
        QCOMPARE(view->count("beep"), finished ? 1 : 0);
        QCOMPARE(view->count("buttons"), finished ? 1 : 0);
        QCOMPARE(idlePassDrawsAFrame(), !finished);
    }

    // A clock that jumps 9 s between two readings: the run's start frame is its finish.
    void runOfASingleFrameFinishesInItsStartFrame()
    {
        fakeTick = kRunStart;
        setTickSource([] { return fakeTick += 9000; });
        run->start();
        setTickSource(readFakeTick);
        QCOMPARE(FrameCount, 1);
        QCOMPARE(ElapsedMs, 9000);
        QCOMPARE(Score, 0);
        QCOMPARE(view->count("beep"), 1);
        QCOMPARE(view->log.last(), QStringLiteral("idle hook after 1 frame"));
        QCOMPARE(fieldBackground(), colourName(clBlack));
        QVERIFY(fieldShowsTile(168, 32, 0) && fieldShowsTile(312, 32, 0));
        QVERIFY(!idlePassDrawsAFrame());
    }

    void scoresShowTheirTilesTextAndBand_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("score");
        QTest::addColumn<QList<int>>("digits");
        QTest::addColumn<int>("band");
        // All finish at 8850 ms.
        QTest::newRow("0") << 1 << 0 << QList<int>{0, 0, 0, 0} << 0;
        QTest::newRow("7") << 62 << 7 << QList<int>{0, 0, 0, 7} << 0;
        QTest::newRow("1234") << 10921 << 1234 << QList<int>{1, 2, 3, 4} << 12;
        QTest::newRow("9999") << 88491 << 9999 << QList<int>{9, 9, 9, 9} << 20;
        QTest::newRow("10000") << 88500 << 10000 << QList<int>{0, 0, 0, 0} << 20;
        QTest::newRow("12345") << 109253 << 12345 << QList<int>{2, 3, 4, 5} << 20;
        QTest::newRow("2 147 483 frames") << 2147483 << 242653 << QList<int>{2, 6, 5, 3} << 20;
        QTest::newRow("2 147 484 frames, past 32 bits")
            << 2147484 << 242653 << QList<int>{2, 6, 5, 3} << 20;
        QTest::newRow("most frames a run can count")
            << std::numeric_limits<int>::max() << 242653519 << QList<int>{3, 5, 1, 9} << 20;
    }
    void scoresShowTheirTilesTextAndBand()
    {
        QFETCH(int, frames);
        QFETCH(int, score);
        QFETCH(QList<int>, digits);
        startRun();
        frameAt(100);
        frameAt(8850, frames);
        QCOMPARE(Score, score);
        for (int k = 0; k < 4; ++k)
            QVERIFY2(fieldShowsTile(168 + 48 * k, 32, digits[k]), qPrintable(QString::number(k)));
        QVERIFY(view->rating.caption.startsWith(QStringLiteral("反重力  %1 [RG]\n\r").arg(score)));
        QCOMPARE(view->rating.caption, ComposeRatingText(score));
        QTEST(ratingBandIndex(Score), "band");
        QVERIFY(view->rating.visible);
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
        QTEST(view->rating.fontColor, "label1Text");
        QTEST(view->rating.color, "label1Back");
        QTEST(view->status.fontColor, "label3Text");
        QTEST(view->status.color, "label3Back");
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
        QCOMPARE(view->rating.caption, ComposeRatingText(score));
        QCOMPARE(view->status.caption, kHeader);
        QCOMPARE(view->status.points, 14);
        QCOMPARE(view->rating.left, (512 - view->rating.width()) / 2);
        QCOMPARE(view->status.left, (512 - view->status.width()) / 2);
    }
};

QTEST_GUILESS_MAIN(TestRun)

#include "test_run.moc"
