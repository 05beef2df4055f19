// Where windows and controls go: the main window's layout as one table (where each
// control sits when the window is made, in pixels of its client area; a button in its
// frame), and the centring of a window on the screen.
#pragma once

#include <array>
#include <cstddef>

// The main window shows the field's top rows; the field is taller by the rows a sprite
// leaving at the bottom is drawn into.
constexpr int kMainWindowWidth = 512;
constexpr int kMainWindowHeight = 293;
constexpr int kFieldWidth = kMainWindowWidth;
constexpr int kFieldHeight = 312;
static_assert(kFieldHeight >= kMainWindowHeight);

enum class MainControl {
    Image1,
    Image2,
    Image3,
    Label1,
    Label3,
    SaiPanel,
    saikeisoku,
    ShuPanel,
    shuuryou
};

struct ControlPlace
{
    MainControl control;
    int left, top;
    int width, height; // 0 for a label, which takes the size of its text
};

inline constexpr auto MainWindowLayout = std::to_array<ControlPlace>({
    {MainControl::Image1, 0, 118, 57, 65}, // FormCreate moves it to the origin
    {MainControl::Image2, 8, 0, 480, 32},  // the sheets, never shown
    {MainControl::Image3, 8, 40, 480, 32},
    {MainControl::Label1, 0, 120, 0, 0},
    {MainControl::Label3, 0, 102, 0, 0},
    {MainControl::SaiPanel, 208, 184, 102, 29},
    {MainControl::saikeisoku, 0, 0, 100, 27},
    {MainControl::ShuPanel, 208, 224, 102, 29}, // 40 below the other frame
    {MainControl::shuuryou, 0, 0, 100, 27},
});

constexpr bool layoutInControlOrder()
{
    for (std::size_t i = 0; i < MainWindowLayout.size(); ++i)
        if (static_cast<std::size_t>(MainWindowLayout[i].control) != i)
            return false;
    return true;
}
static_assert(layoutInControlOrder());

constexpr const ControlPlace &placeOf(MainControl control)
{
    return MainWindowLayout[static_cast<std::size_t>(control)];
}

// Where a window `size` long is centred on a screen `screen` long; the half truncates
// toward zero, so a window larger than the screen gets a negative origin (-5 halves to -2).
constexpr int centredOrigin(int screen, int size)
{
    return (screen - size) / 2;
}

// Where the main window goes when first shown: centred, and at the screen's corner when
// the screen is the smaller.
constexpr int firstShowOrigin(int screen, int size)
{
    const int origin = centredOrigin(screen, size);
    return origin < 0 ? 0 : origin;
}
