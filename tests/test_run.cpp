// The measurement run's rules, frame by frame on a tick counter the test sets, with a view
// that records what it is told: phases and thresholds, the colour prelude, the status
// line, scoring, the finish and the order of a run's start.
#include "layout.h"
#include "rating.h"
#include "run.h"
#include "runclock.h"
#include "runstate.h"
#include "spritefield.h"
#include "tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using runclock::fakeTick;
using runclock::framesForScore;
using runclock::kRunStart;
std::uint32_t readFakeTick()
{
    return fakeTick;
}

constexpr std::string_view kRow1 = "\u3000\u3000\u3000\u3000\u3000\u3000\u3000只";
constexpr std::string_view kRow2 = "\u3000\u3000\u3000\u3000\u3000\u3000只今";
constexpr std::string_view kRow26 = "・\u3000\u3000\u3000\u3000\u3000\u3000\u3000";
constexpr std::string_view kRow27 = "\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000";
constexpr std::string_view kHeader = "Ｐｌｏｖｅｘメッセージ！";

using Log = std::vector<std::string>;

// The number of characters (code points) in UTF-8 text.
int characters(std::string_view utf8)
{
    return int(std::ranges::count_if(utf8, [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string hex(std::uint32_t value)
{
    char text[8];
    const auto end = std::to_chars(std::begin(text), std::end(text), value, 16).ptr;
    return std::string(text, end);
}

// A label that sizes itself like a real one would, by its text and font size, and notes
// the calls that the finish's order depends on.
struct FakeLabel : RunLabel
{
    FakeLabel(std::string name, Log &log, TColor colour, TColor fontColour)
        : name(std::move(name)), log(log), color(colour), fontColor(fontColour)
    {
    }
    void setColor(TColor c) override { color = c; }
    void setFontColor(TColor c) override { fontColor = c; }
    void setTransparent(bool t) override
    {
        if (t != transparent)
            log.push_back(name + (t ? " transparent" : " opaque"));
        transparent = t;
    }
    void setVisible(bool v) override
    {
        if (v != visible)
            log.push_back(name + (v ? " shown" : " hidden"));
        visible = v;
    }
    void setFontSize(int p) override { points = p; }
    void setCaption(std::string_view c) override { caption = c; }
    int width() const override { return std::max(characters(caption), 1) * points; }
    void setLeft(int l) override { left = l; }

    std::string name;
    Log &log;
    TColor color, fontColor;
    bool transparent = true, visible = false;
    int points = 12;
    std::string caption;
    int left = 0;
};

// The main window around the run: its labels, its field and, of the finish controls,
// what the run's order depends on.
struct FakeView : RunView, FinishView
{
    RunLabel &ratingLabel() override { return rating; }
    RunLabel &statusLabel() override { return status; }
    void applyWindowShape() override { log.push_back("shape"); }
    void showField(std::unique_ptr<FieldBitmap> f) override
    {
        log.push_back("field");
        field = std::move(f);
    }
    FieldBitmap &frameField() override { return *field; }
    void installIdleHook() override
    {
        log.push_back("idle hook after " + std::to_string(FrameCount) + " frame");
    }
    void beep() override { log.push_back("beep"); }
    void runFinished() override { log.push_back("finished"); }

    LabelColours labelColours(MainControl) const override { return {}; }
    void setButtonColours(FinishButton, ButtonColours c) override
    {
        note(std::string(c.face == clSilver ? "rest" : "highlight") + " colours, blink " +
             (ButtonBlink ? "on" : "off"));
    }
    void placeButton(FinishButton, int, int) override {}
    void cutToEllipse(MainControl) override { note("buttons cut"); }
    void setControlVisible(MainControl, bool visible) override
    {
        note(visible ? "buttons shown" : "buttons hidden");
    }
    void setBlinkTimer(bool enabled) override { note(enabled ? "timer" : "timer off"); }
    void setBlinkInterval(int) override {}
    ScreenPoint windowOrigin() const override { return {}; }
    void popupMenu(ScreenPoint) override {}
    void FormCreate() override {}
    void closeMainWindow() override {}

    // Once for a run of the same entries: the finish controls' own order is theirs.
    void note(const std::string &entry)
    {
        if (log.empty() || log.back() != entry)
            log.push_back(entry);
    }
    int count(std::string_view entry) const { return int(std::ranges::count(log, entry)); }

    Log log;
    // As the layout makes them: Label1 purple with white text, Label3 white with maroon.
    FakeLabel rating{"rating", log, clPurple, clWhite};
    FakeLabel status{"status", log, clWhite, clMaroon};
    std::unique_ptr<FieldBitmap> field;
    FinishControls finish{*this};
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

std::string colourName(TColor colour)
{
    return hex(toPixel(colour));
}

// The colour of every field pixel that no sprite and no digit tile covers.
std::string fieldBackground()
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
    std::string names;
    for (std::uint32_t c : colours) {
        if (!names.empty())
            names += ',';
        names += hex(c);
    }
    return names;
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

// Program start: all run state zero, and a view of its own.
void resetRun()
{
    StartTick = ElapsedMs = FrameCount = Score = 0;
    ButtonBlink = false;
    setTickSource(readFakeTick);
    run.reset();
    view = std::make_unique<FakeView>();
    run = std::make_unique<MeasurementRun>(*view, builtInSheets(), view->finish);
}

bool idlePassDrawsAFrame()
{
    const std::int32_t before = FrameCount;
    run->idle();
    return FrameCount != before;
}

} // namespace

class Run : public ::testing::Test
{
protected:
    void SetUp() override { resetRun(); }
};

TEST_F(Run, StartShapesPreparesDrawsTheFirstFrameThenHooksTheIdlePass)
{
    startRun();
    EXPECT_EQ(view->log, (Log{"shape", "field", "idle hook after 1 frame"}));
    EXPECT_EQ(ElapsedMs, 0);
    // The first run's start frame: the prelude cleared it black, and at 0 ms the status
    // line stays hidden until the first frame past it.
    EXPECT_EQ(fieldBackground(), colourName(clBlack));
    EXPECT_FALSE(view->status.visible);
    frameAt(1);
    EXPECT_TRUE(view->status.visible);
}

TEST_F(Run, StatusLineShowsTheRowOfItsTime)
{
    const std::pair<int, std::string_view> rows[] = {
        {1, kRow1}, {300, kRow1}, {301, kRow2}, {7800, kRow26}, {7801, kRow27}, {7999, kRow27}};
    for (const auto &[ms, text] : rows) {
        SCOPED_TRACE(std::to_string(ms) + " ms");
        resetRun();
        startRun();
        frameAt(ms);
        EXPECT_EQ(view->status.caption, text);
        EXPECT_TRUE(view->status.visible);
        EXPECT_TRUE(view->status.transparent);
        EXPECT_EQ(view->status.fontColor, clWhite);
        EXPECT_EQ(view->status.points, 22);
    }
}

TEST_F(Run, StatusLineIsPlacedByThePreviousFramesWidth)
{
    startRun();
    view->status.caption = "header";
    view->status.points = 14;
    frameAt(50);
    EXPECT_EQ(view->status.left, (kMainWindowWidth - 6 * 14) / 2);
    for (int ms : {400, 2300, 5000, 7900}) {
        frameAt(ms);
        EXPECT_EQ(view->status.left, (kMainWindowWidth - view->status.width()) / 2) << ms;
    }
}

TEST_F(Run, QuietPhaseKeepsTheLastStatusTextInPlaceInFuchsia)
{
    startRun();
    frameAt(100);
    frameAt(7800);
    const int left = view->status.left;
    for (int ms : {8000, 8400, 8700}) {
        SCOPED_TRACE(ms);
        frameAt(ms);
        EXPECT_EQ(view->status.caption, kRow26);
        EXPECT_EQ(view->status.left, left);
        EXPECT_TRUE(view->status.visible);
        EXPECT_EQ(view->status.fontColor, clFuchsia);
    }
}

TEST_F(Run, IdlePassDrawsFramesUpTo8800Only)
{
    const std::pair<int, bool> rows[] = {{8800, true}, {8801, false}};
    for (const auto &[elapsed, drawn] : rows) {
        resetRun();
        startRun();
        frameAt(elapsed);
        EXPECT_EQ(idlePassDrawsAFrame(), drawn) << elapsed << " ms";
    }
}

TEST_F(Run, FinishBeepsOnceAndRevealsEverythingInItsOrder)
{
    startRun();
    frameAt(100);
    frameAt(8750, framesForScore(120, 8750));
    frameAt(8800, framesForScore(120, 8800));
    EXPECT_EQ(view->count("beep"), 0);

    ButtonBlink = true;
    view->log.clear();
    frameAt(8850, framesForScore(125, 8850));
    EXPECT_EQ(Score, 125);
    EXPECT_EQ(view->log,
              (Log{"beep", "rest colours, blink off", "timer", "rating opaque", "status opaque",
                   "rating shown", "buttons cut", "buttons shown", "finished"}));
    EXPECT_TRUE(view->status.visible);

    // The run is over: later idle passes draw nothing and stay silent.
    fakeTick += 500;
    EXPECT_FALSE(idlePassDrawsAFrame());
    EXPECT_FALSE(idlePassDrawsAFrame());
    EXPECT_EQ(view->count("beep"), 1);
    EXPECT_EQ(ElapsedMs, 8850);
}

TEST_F(Run, FrameJumpingPast8800ScoresAndFinishesOnABlackField)
{
    startRun();
    frameAt(100);
    frameAt(7900);
    const int marqueeWidth = view->status.width();
    frameAt(8900, 3); // score 0: band 1 would clear red
    EXPECT_EQ(Score, 0);
    EXPECT_EQ(view->count("beep"), 1);
    EXPECT_EQ(fieldBackground(), colourName(clBlack));
    EXPECT_EQ(view->status.caption, kHeader);
    EXPECT_NE(view->status.width(), marqueeWidth);
    EXPECT_EQ(view->status.left, (kMainWindowWidth - marqueeWidth) / 2);
}

TEST_F(Run, RemeasureStartFrameClearsByThePreviousScore)
{
    const std::pair<int, TColor> rows[] = {{349, clWhite}, {350, clBlack}};
    for (const auto &[score, field] : rows) {
        SCOPED_TRACE(score);
        resetRun();
        finishedRun(score, score);
        EXPECT_EQ(Score, score);
        startRun();
        EXPECT_EQ(FrameCount, 1);
        EXPECT_EQ(ElapsedMs, 0);
        EXPECT_EQ(Score, score);
        EXPECT_EQ(fieldBackground(), colourName(field));
    }
}

TEST_F(Run, TickWrapDuringARunGivesTheTrueElapsedTime)
{
    struct Row
    {
        const char *name;
        std::uint32_t start;
        int elapsed;
    };
    const Row rows[] = {{"unsigned wrap", 0xFFFFFF00u, 512},
                        {"from the last tick", 0xFFFFFFFFu, 8801},
                        {"signed wrap", 0x7FFFFFF0u, 300}};
    for (const Row &row : rows) {
        resetRun();
        startRun(row.start);
        fakeTick = row.start + std::uint32_t(row.elapsed);
        run->drawFrame();
        EXPECT_EQ(ElapsedMs, row.elapsed) << row.name;
    }
}

TEST_F(Run, TickWrapInTheMiddleOfARunKeepsTheRunsPhases)
{
    const std::pair<const char *, std::uint32_t> rows[] = {
        {"counter wraps to 0 at 4000 ms", 0xFFFFFFFFu - 3999u},
        {"sign flips at 4000 ms", 0x7FFFFFFFu - 3999u}};
    for (const auto &[name, start] : rows) {
        SCOPED_TRACE(name);
        resetRun();
        startRun(start);
        for (int ms : {100, 3999, 4000, 4001, 7900, 8750}) {
            frameAt(ms, ms);
            EXPECT_EQ(ElapsedMs, ms);
            EXPECT_EQ(view->count("beep"), 0) << ms;
        }
        EXPECT_EQ(view->status.caption, kHeader);
        EXPECT_TRUE(idlePassDrawsAFrame());
        frameAt(8850, 88500);
        EXPECT_EQ(Score, 10000);
        EXPECT_EQ(view->count("beep"), 1);
        EXPECT_FALSE(idlePassDrawsAFrame());
    }
}

// Frames slower than 100 ms skip whole phases; each lands in the phase of its time.
TEST_F(Run, SlowFrameLandsInThePhaseOfItsTime)
{
    struct Row
    {
        const char *name;
        int from, to;
        bool scored, finished;
    };
    const Row rows[] = {
        {"marquee into the quiet phase", 7790, 8300, false, false},
        {"quiet phase into scoring", 8600, 8790, true, false},
        {"scoring past the finish", 8701, 8950, true, true},
        {"start frame to 30 s", 0, 30000, true, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        resetRun();
        startRun();
        if (row.from > 0)
            frameAt(row.from, 1000);
        const std::string status = view->status.caption;
        frameAt(row.to, 5000);
        EXPECT_EQ(view->status.caption, row.scored ? std::string(kHeader) : status);
        EXPECT_EQ(Score, row.scored ? ComputeScore(5000, row.to) : 0);
        EXPECT_EQ(view->count("beep"), row.finished ? 1 : 0);
        EXPECT_EQ(view->count("buttons shown"), row.finished ? 1 : 0);
        EXPECT_EQ(idlePassDrawsAFrame(), !row.finished);
    }
}

// A clock that jumps 9 s between two readings: the run's start frame is its finish.
TEST_F(Run, RunOfASingleFrameFinishesInItsStartFrame)
{
    fakeTick = kRunStart;
    setTickSource([] { return fakeTick += 9000; });
    run->start();
    setTickSource(readFakeTick);
    EXPECT_EQ(FrameCount, 1);
    EXPECT_EQ(ElapsedMs, 9000);
    EXPECT_EQ(Score, 0);
    EXPECT_EQ(view->count("beep"), 1);
    EXPECT_EQ(view->log.back(), "idle hook after 1 frame");
    EXPECT_EQ(fieldBackground(), colourName(clBlack));
    EXPECT_TRUE(fieldShowsTile(168, 32, 0) && fieldShowsTile(312, 32, 0));
    EXPECT_FALSE(idlePassDrawsAFrame());
}

TEST_F(Run, ScoresShowTheirTilesTextAndBand)
{
    struct Row
    {
        const char *name;
        int frames, score;
        std::array<int, 4> digits;
        int band;
    };
    // All finish at 8850 ms.
    const Row rows[] = {
        {"0", 1, 0, {0, 0, 0, 0}, 0},
        {"7", 62, 7, {0, 0, 0, 7}, 0},
        {"1234", 10921, 1234, {1, 2, 3, 4}, 12},
        {"9999", 88491, 9999, {9, 9, 9, 9}, 20},
        {"10000", 88500, 10000, {0, 0, 0, 0}, 20},
        {"12345", 109253, 12345, {2, 3, 4, 5}, 20},
        {"2 147 483 frames", 2147483, 242653, {2, 6, 5, 3}, 20},
        {"2 147 484 frames, past 32 bits", 2147484, 242653, {2, 6, 5, 3}, 20},
        {"most frames a run can count",
         std::numeric_limits<int>::max(),
         242653519,
         {3, 5, 1, 9},
         20},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        resetRun();
        startRun();
        frameAt(100);
        frameAt(8850, row.frames);
        EXPECT_EQ(Score, row.score);
        for (int k = 0; k < 4; ++k)
            EXPECT_TRUE(fieldShowsTile(168 + 48 * k, 32, row.digits[std::size_t(k)])) << k;
        EXPECT_TRUE(
            view->rating.caption.starts_with("反重力  " + std::to_string(row.score) + " [RG]\n\r"))
            << view->rating.caption;
        EXPECT_EQ(view->rating.caption, ComposeRatingText(row.score));
        EXPECT_EQ(ratingBandIndex(Score), row.band);
        EXPECT_TRUE(view->rating.visible);
    }
}

TEST_F(Run, LowScoreClearsTheFieldInTheBandColourFromTheSecondScoringFrame)
{
    startRun();
    frameAt(100);
    frameAt(8710, framesForScore(120, 8710));
    EXPECT_EQ(fieldBackground(), colourName(clBlack));
    frameAt(8760, framesForScore(120, 8760));
    EXPECT_EQ(fieldBackground(), colourName(clLime));
}

TEST_F(Run, FinishedColoursFollowTheLastTwoScores)
{
    struct Row
    {
        const char *name;
        int scoring, final;
        TColor field, label1Text, label1Back, label3Text, label3Back;
    };
    const Row rows[] = {
        {"band 1", 40, 40, clRed, clYellow, clRed, clWhite, clRed},
        {"band 3", 120, 120, clLime, clBlue, clLime, clFuchsia, clLime},
        {"350 and above", 1234, 1234, clBlack, clInfoBk, clBlack, clFuchsia, clBlack},
        {"rise from band 7 on the finish frame", 320, 400, clPurple, clAqua, clPurple, clYellow,
         clPurple},
        {"fall into band 3 on the finish frame", 400, 120, clBlack, clBlue, clLime, clFuchsia,
         clLime},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        resetRun();
        finishedRun(row.scoring, row.final);
        EXPECT_EQ(Score, row.final);
        EXPECT_EQ(fieldBackground(), colourName(row.field));
        EXPECT_EQ(view->rating.fontColor, row.label1Text);
        EXPECT_EQ(view->rating.color, row.label1Back);
        EXPECT_EQ(view->status.fontColor, row.label3Text);
        EXPECT_EQ(view->status.color, row.label3Back);
    }
}

TEST_F(Run, RatingTextAndHeaderEndCentred)
{
    const std::pair<const char *, int> rows[] = {{"band 3", 123}, {"band 21, four lines", 7000}};
    for (const auto &[name, score] : rows) {
        SCOPED_TRACE(name);
        resetRun();
        startRun();
        frameAt(100);
        frameAt(5000);
        for (int ms : {8710, 8740, 8790, 8830})
            frameAt(ms, framesForScore(score, ms));
        EXPECT_EQ(Score, score);
        EXPECT_EQ(view->rating.caption, ComposeRatingText(score));
        EXPECT_EQ(view->status.caption, kHeader);
        EXPECT_EQ(view->status.points, 14);
        EXPECT_EQ(view->rating.left, (kMainWindowWidth - view->rating.width()) / 2);
        EXPECT_EQ(view->status.left, (kMainWindowWidth - view->status.width()) / 2);
    }
}
