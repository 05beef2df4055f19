// What the two finish buttons do alike in every front end: their colours in each blink
// phase, how far a press sinks them, where their context menu opens and how they are cut
// to ellipses.
#pragma once

#include "colour.h"
#include "layout.h"
#include "texts.h"

#include <array>
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
    TColor restText; // on silver, the colours the layout stores
    int menuOffsetY; // 40 apart, like the two frames
};

inline constexpr auto FinishButtons = std::to_array<FinishButtonStyle>({
    {FinishButton::saikeisoku, MainControl::SaiPanel, MainControl::saikeisoku, kRemeasureCaption,
     clMaroon, 140},
    {FinishButton::shuuryou, MainControl::ShuPanel, MainControl::shuuryou, kQuitCaption, clGreen,
     180},
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

// One blink phase: at rest the stored colours; highlighted, re-measure takes Label3's
// colours and quit Label1's, face and text swapped.
constexpr ButtonColours buttonColours(FinishButton button, bool highlight, LabelColours label1,
                                      LabelColours label3)
{
    if (!highlight)
        return {kButtonRestFace, styleOf(button).restText};
    const LabelColours &label = button == FinishButton::saikeisoku ? label3 : label1;
    return {label.fontColor, label.color};
}

struct ScreenPoint
{
    int x;
    int y;
    bool operator==(const ScreenPoint &) const = default;
};

// Where a right press at (x, y) of the button opens the menu, for the window at
// (windowLeft, windowTop) on the screen.
constexpr ScreenPoint menuPoint(FinishButton button, int windowLeft, int windowTop, int x, int y)
{
    return {windowLeft + x + kMenuOffsetX, windowTop + y + styleOf(button).menuOffsetY};
}

// The about box's second line: the maker's credit.
inline constexpr std::string_view kAboutCredit = "Copyright (C) Vendrake";
