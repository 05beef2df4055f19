// The finish controls, once for every front end: the two oval buttons that a finished run
// reveals, their blink, their pressed look, where their context menu opens, re-measure and
// quit. FinishControls owns these rules and the buttons' blink phase; a window implements
// FinishView to show what it is told and wires its buttons' events to the handlers.
#pragma once

#include "colour.h"
#include "layout.h"
#include "mousebutton.h"
#include "texts.h"

#include <array>
#include <optional>
#include <string_view>

constexpr int kBlinkIntervalMs = 1000; // both windows' Timer1
constexpr int kPressDepth = 2;         // how far a pressed button sinks, right and down
// Buttons and frames are cut to the ellipse this far inside their edges.
constexpr int kButtonRegionInset = 2;
// The menu opens this far right of and below the press, in the window's coordinates.
constexpr int kMenuOffsetX = 85;

enum class FinishButton { saikeisoku, shuuryou };

struct FinishButtonStyle
{
    FinishButton button;
    MainControl frame;
    MainControl control;
    std::string_view caption;
    TColor restText;   // on silver, the colours the layout stores
    MainControl label; // whose colours it shows, face and text swapped, when highlighted
    int menuOffsetY;   // 40 apart, like the two frames
};

inline constexpr auto FinishButtons = std::to_array<FinishButtonStyle>({
    {FinishButton::saikeisoku, MainControl::SaiPanel, MainControl::saikeisoku, kRemeasureCaption,
     clMaroon, MainControl::Label3, 140},
    {FinishButton::shuuryou, MainControl::ShuPanel, MainControl::shuuryou, kQuitCaption, clGreen,
     MainControl::Label1, 180},
});
static_assert(FinishButtons[1].menuOffsetY - FinishButtons[0].menuOffsetY ==
                  placeOf(MainControl::ShuPanel).top - placeOf(MainControl::SaiPanel).top,
              "the menus lie as far apart as the frames");

constexpr const FinishButtonStyle &styleOf(FinishButton button)
{
    return FinishButtons[static_cast<std::size_t>(button)];
}

constexpr TColor kButtonRestFace = clSilver;

struct ButtonColours
{
    TColor face;
    TColor text;
    bool operator==(const ButtonColours &) const = default;
};

// A label's two colours, as the buttons borrow them.
struct LabelColours
{
    TColor color;     // background
    TColor fontColor; // text
};

struct ScreenPoint
{
    int x;
    int y;
    bool operator==(const ScreenPoint &) const = default;
};

// What the finish controls ask of the main window around them.
class FinishView
{
public:
    // Label1's or Label3's colours as they are now.
    virtual LabelColours labelColours(MainControl label) const = 0;
    virtual void setButtonColours(FinishButton button, ButtonColours colours) = 0;
    // The button's place in its frame: (0, 0) at rest.
    virtual void placeButton(FinishButton button, int left, int top) = 0;
    // A button or a frame, cut to the ellipse kButtonRegionInset inside its edges.
    virtual void cutToEllipse(MainControl control) = 0;
    // A button, a frame or a result label.
    virtual void setControlVisible(MainControl control, bool visible) = 0;
    virtual void setBlinkTimer(bool enabled) = 0;
    virtual void setBlinkInterval(int ms) = 0;
    // The main window's top-left corner on the screen.
    virtual ScreenPoint windowOrigin() const = 0;
    // Opens PopupMenu1 with its top-left corner at `at`; its items run the window's actions.
    virtual void popupMenu(ScreenPoint at) = 0;
    // The main window's creation handler, the start of every run.
    virtual void FormCreate() = 0;
    // Closes the main window, which ends the program.
    virtual void closeMainWindow() = 0;

protected:
    ~FinishView() = default;
};

class FinishControls
{
public:
    explicit FinishControls(FinishView &view);

    // The finish sequence's part before the labels show: ButtonBlink at rest, the rest
    // colours, Timer1 started.
    void startBlink();
    // Its last part: the buttons and frames cut to their ellipses, then shown.
    void reveal();

    // Handlers, named as the window's events are.
    void ShowButtonColors(bool highlight);
    void Timer1Timer();
    void saikeisokuClick(); // re-measure
    void shuuryouClick();   // quit
    void saikeisokuMouseDown(TMouseButton Button, int X, int Y);
    void saikeisokuMouseUp(TMouseButton Button, int X, int Y);
    void shuuryouMouseDown(TMouseButton Button, int X, int Y);
    void shuuryouMouseUp(TMouseButton Button, int X, int Y);

    // The button that a left press sank and that keeps the mouse until the left release.
    std::optional<FinishButton> pressedButton() const { return m_pressed; }

    // Hands a front end's button controls' clicks, presses and releases and its blink
    // timer's ticks to the handlers. The controls report a left press's release to the
    // control that got the press, wherever the pointer is then, also when a menu has
    // opened meanwhile.
    template <typename Panel, typename Timer>
    void wire(Panel &saikeisoku, Panel &shuuryou, Timer &Timer1)
    {
        saikeisoku.OnClick = [this] { saikeisokuClick(); };
        saikeisoku.OnMouseDown = [this](Panel *, TMouseButton b, int x, int y) {
            saikeisokuMouseDown(b, x, y);
        };
        saikeisoku.OnMouseUp = [this](Panel *, TMouseButton b, int x, int y) {
            saikeisokuMouseUp(b, x, y);
        };
        shuuryou.OnClick = [this] { shuuryouClick(); };
        shuuryou.OnMouseDown = [this](Panel *, TMouseButton b, int x, int y) {
            shuuryouMouseDown(b, x, y);
        };
        shuuryou.OnMouseUp = [this](Panel *, TMouseButton b, int x, int y) {
            shuuryouMouseUp(b, x, y);
        };
        Timer1.OnTimer = [this] { Timer1Timer(); };
    }

private:
    void mouseDown(FinishButton button, TMouseButton Button, int X, int Y);
    void mouseUp(TMouseButton Button);

    FinishView &m_view;
    std::optional<FinishButton> m_pressed;
};

// The about box's second line: the maker's credit.
inline constexpr std::string_view kAboutCredit = "Copyright (C) Vendrake";
