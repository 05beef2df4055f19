// The measurement run: its start, every frame's steps in their order, and the run state
// they keep (runstate.h). It draws the field and tells a view what to show; it knows
// nothing of windows, so its rules can be driven on a fake clock with a fake view.
#pragma once

#include "colour.h"
#include "fieldbitmap.h"
#include "finishcontrols.h"
#include "marquee.h"
#include "spritesheet.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// A label the run writes to. Setting a property to the value it already has changes
// nothing, so a frame may assign the same values every time.
class RunLabel
{
public:
    virtual void setColor(TColor colour) = 0;
    virtual void setFontColor(TColor colour) = 0;
    virtual void setTransparent(bool transparent) = 0;
    virtual void setVisible(bool visible) = 0;
    // Size in points at 96 pixels per inch; face and style stay.
    virtual void setFontSize(int points) = 0;
    // UTF-8; the label keeps its own copy of what it needs.
    virtual void setCaption(std::string_view caption) = 0;
    // The label sizes itself to its text and font, keeping its left edge.
    virtual int width() const = 0;
    virtual void setLeft(int left) = 0;

protected:
    ~RunLabel() = default;
};

// What the run shows through, and the few things it asks of the window around it.
class RunView
{
public:
    virtual RunLabel &ratingLabel() = 0; // Label1: the score line and the comment
    virtual RunLabel &statusLabel() = 0; // Label3: the status line, at the end the header
    // A run's first step: the window's elliptic outline, again.
    virtual void applyWindowShape() = 0;
    // A new field to show; the previous one is released.
    virtual void showField(std::unique_ptr<FieldBitmap> field) = 0;
    // The shown field, about to be drawn anew from its first pixel to its last.
    virtual FieldBitmap &frameField() = 0;
    // A run's last step: frames come from the idle passes from now on.
    virtual void installIdleHook() = 0;
    virtual void beep() = 0; // the desktop's default beep
    // Once a run, after all of its finish: the view may tell how it showed the frames.
    virtual void runFinished() = 0;

protected:
    ~RunView() = default;
};

class MeasurementRun
{
public:
    // The run's finish hands over to `finish`, the buttons it reveals.
    MeasurementRun(RunView &view, const SpriteSheets &sheets, FinishControls &finish);

    // Shape, fresh field and sprites, start tick, the first frame, then the idle hook.
    void start();
    // One frame: colour prelude, clear and sprites, time stamp, status line, score, finish.
    void drawFrame();
    // An idle pass: a frame while the run lasts, nothing after it.
    void idle();

private:
    void colourPrelude(FieldBitmap &field);
    void statusLine();
    void scoreAndRating(FieldBitmap &field);
    void finishSequence();

    RunView &m_view;
    const SpriteSheets &m_sheets;
    FinishControls &m_finish;
    std::optional<std::pair<std::int32_t, std::string>> m_rating; // last composed score and text
};
