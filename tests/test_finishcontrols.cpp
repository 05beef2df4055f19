// The finish controls' rules, through a window that records what it is told: the finish's
// reveal, the blink, the pressed look and the menu, re-measure and quit, and the wiring of
// a front end's controls to the handlers.
#include "finishcontrols.h"
#include "runstate.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// MainControl's names, in its order.
constexpr std::array<const char *, 9> kNames = {"Image1",     "Image2",   "Image3",
                                                "Label1",     "Label3",   "SaiPanel",
                                                "saikeisoku", "ShuPanel", "shuuryou"};
std::string nameOf(MainControl control)
{
    return kNames[std::size_t(control)];
}

struct Place
{
    int left = 0, top = 0;
    bool operator==(const Place &) const = default;
};

struct FakeWindow : FinishView
{
    LabelColours labelColours(MainControl label) const override
    {
        return label == MainControl::Label1 ? label1 : label3;
    }
    void setButtonColours(FinishButton button, ButtonColours c) override
    {
        colours[std::size_t(button)] = c;
        log.push_back(nameOf(styleOf(button).control) + " colours");
    }
    void placeButton(FinishButton button, int left, int top) override
    {
        places[std::size_t(button)] = {left, top};
    }
    void cutToEllipse(MainControl control) override { log.push_back("cut " + nameOf(control)); }
    void setControlVisible(MainControl control, bool visible) override
    {
        log.push_back((visible ? "show " : "hide ") + nameOf(control));
    }
    void setBlinkTimer(bool enabled) override { log.push_back(enabled ? "timer on" : "timer off"); }
    void setBlinkInterval(int ms) override { interval = ms; }
    ScreenPoint windowOrigin() const override { return origin; }
    void popupMenu(ScreenPoint at) override { menus.push_back(at); }
    void FormCreate() override { log.push_back("FormCreate"); }
    void closeMainWindow() override { log.push_back("close"); }

    // As a run below 350 leaves them: Label1 white on blue, Label3 yellow on blue.
    LabelColours label1{clBlue, clWhite};
    LabelColours label3{clBlue, clYellow};
    ScreenPoint origin{384, 365}; // centred on a 1280 x 1024 screen
    std::array<ButtonColours, 2> colours{};
    std::array<Place, 2> places{};
    std::vector<ScreenPoint> menus;
    int interval = 0;
    Log log;
};

class FinishControlsTest : public testing::Test
{
protected:
    void SetUp() override { ButtonBlink = true; }

    const ButtonColours &coloursOf(FinishButton button) const
    {
        return window.colours[std::size_t(button)];
    }
    Place placeOf(FinishButton button) const { return window.places[std::size_t(button)]; }

    FakeWindow window;
    FinishControls controls{window};
};

constexpr FinishButton kSai = FinishButton::saikeisoku;
constexpr FinishButton kShu = FinishButton::shuuryou;
constexpr ButtonColours kSaiRest{clSilver, clMaroon};
constexpr ButtonColours kShuRest{clSilver, clGreen};

TEST_F(FinishControlsTest, FinishStartsAtRestWithTheStoredColoursThenCutsAllFourBeforeShowingThem)
{
    controls.startBlink();
    EXPECT_FALSE(ButtonBlink);
    EXPECT_EQ(coloursOf(kSai), kSaiRest);
    EXPECT_EQ(coloursOf(kShu), kShuRest);
    controls.reveal();
    EXPECT_EQ(window.log,
              (Log{"saikeisoku colours", "shuuryou colours", "timer on", "cut saikeisoku",
                   "cut shuuryou", "cut SaiPanel", "cut ShuPanel", "show saikeisoku",
                   "show shuuryou", "show SaiPanel", "show ShuPanel"}));
}

TEST_F(FinishControlsTest, EachTickSwapsToTheOtherPhaseHighlightingWithTheLabelsColoursReversed)
{
    controls.startBlink();
    controls.Timer1Timer();
    EXPECT_TRUE(ButtonBlink);
    EXPECT_EQ(window.interval, kBlinkIntervalMs);
    // Re-measure takes Label3's colours, quit Label1's: the label's text colour is the face.
    EXPECT_EQ(coloursOf(kSai), (ButtonColours{clYellow, clBlue}));
    EXPECT_EQ(coloursOf(kShu), (ButtonColours{clWhite, clBlue}));
    controls.Timer1Timer();
    EXPECT_FALSE(ButtonBlink);
    EXPECT_EQ(coloursOf(kSai), kSaiRest);
    EXPECT_EQ(coloursOf(kShu), kShuRest);
}

TEST_F(FinishControlsTest, RemeasureStartsARunThenHidesButtonsFramesAndLabelsAndStopsTheBlink)
{
    controls.saikeisokuClick();
    EXPECT_EQ(window.log, (Log{"FormCreate", "hide saikeisoku", "hide shuuryou", "hide SaiPanel",
                               "hide ShuPanel", "hide Label1", "hide Label3", "timer off"}));
    EXPECT_TRUE(ButtonBlink); // left as the last tick had it
}

// One event on a button and where both buttons stand after it.
struct Step
{
    FinishButton button;
    bool down;
    TMouseButton mouse;
    Place sai, shu; // after the event
};

struct PressRow
{
    const char *name;
    std::vector<Step> steps;
    std::vector<ScreenPoint> menus; // opened, in order, for presses at (30, 12)
};

constexpr auto L = TMouseButton::Left;
constexpr auto R = TMouseButton::Right;
constexpr auto M = TMouseButton::Middle;
constexpr Place kRest{0, 0};
constexpr Place kSunk{2, 2};

class PressedLook : public FinishControlsTest, public testing::WithParamInterface<PressRow>
{
};

TEST_P(PressedLook, MovesOnlyTheLeftPressedButtonAndOpensTheMenuBesideARightPress)
{
    for (const Step &step : GetParam().steps) {
        if (step.button == kSai)
            step.down ? controls.saikeisokuMouseDown(step.mouse, 30, 12)
                      : controls.saikeisokuMouseUp(step.mouse, 30, 12);
        else
            step.down ? controls.shuuryouMouseDown(step.mouse, 30, 12)
                      : controls.shuuryouMouseUp(step.mouse, 30, 12);
        EXPECT_EQ(placeOf(kSai), step.sai);
        EXPECT_EQ(placeOf(kShu), step.shu);
    }
    EXPECT_EQ(window.menus, GetParam().menus);
}

// The window at 384, 365: the menu opens 85 right of the press and 140 below it on
// re-measure, 180 on quit, whose frame lies 40 lower.
INSTANTIATE_TEST_SUITE_P(
    FinishControls, PressedLook,
    testing::Values(PressRow{"LeftPressSinksAndTheLeftReleaseBringsBack",
                             {{kSai, true, L, kSunk, kRest}, {kSai, false, L, kRest, kRest}},
                             {}},
                    PressRow{"RightPressOpensTheMenuAndMovesNothing",
                             {{kSai, true, R, kRest, kRest}, {kSai, false, R, kRest, kRest}},
                             {{499, 517}}},
                    PressRow{
                        "QuitsMenuOpens40Lower", {{kShu, true, R, kRest, kRest}}, {{499, 557}}},
                    PressRow{"RightPressDuringALeftPressLeavesTheButtonSunkUntilTheLeftRelease",
                             {{kShu, true, L, kRest, kSunk},
                              {kShu, true, R, kRest, kSunk},
                              {kShu, false, R, kRest, kSunk},
                              {kShu, false, L, kRest, kRest}},
                             {{499, 557}}},
                    PressRow{"MiddleButtonDoesNothing",
                             {{kSai, true, M, kRest, kRest},
                              {kSai, true, L, kSunk, kRest},
                              {kSai, false, M, kSunk, kRest},
                              {kSai, false, L, kRest, kRest}},
                             {}}),
    [](const testing::TestParamInfo<PressRow> &info) { return std::string(info.param.name); });

// A front end's button control and timer, as far as the wiring sees them.
struct FakePanel
{
    using MouseHandler = std::function<void(FakePanel *, TMouseButton, int, int)>;
    MouseHandler OnMouseDown, OnMouseUp;
    std::function<void()> OnClick;
};
struct FakeTimer
{
    std::function<void()> OnTimer;
};

// Quit's click closes the main window, re-measure's starts a run.
TEST_F(FinishControlsTest, WiringHandsEachControlsEventsToItsOwnHandlers)
{
    FakePanel sai, shu;
    FakeTimer timer;
    controls.wire(sai, shu, timer);
    shu.OnMouseDown(&shu, L, 30, 12);
    sai.OnMouseDown(&sai, R, 30, 12);
    EXPECT_EQ(placeOf(kShu), kSunk);
    EXPECT_EQ(window.menus, (std::vector<ScreenPoint>{{499, 517}}));
    shu.OnMouseUp(&shu, L, 30, 12);
    EXPECT_EQ(placeOf(kShu), kRest);
    timer.OnTimer();
    EXPECT_FALSE(ButtonBlink);
    shu.OnClick();
    sai.OnClick();
    EXPECT_EQ(window.log.front(), "saikeisoku colours"); // the tick
    EXPECT_EQ(window.log[2], "close");
    EXPECT_EQ(window.log[3], "FormCreate");
}

} // namespace
