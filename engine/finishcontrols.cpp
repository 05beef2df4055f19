#include "finishcontrols.h"

#include "runstate.h"

namespace {

// Re-measure hides these, in this order.
constexpr std::array kHiddenByRemeasure = {MainControl::saikeisoku, MainControl::shuuryou,
                                           MainControl::SaiPanel,   MainControl::ShuPanel,
                                           MainControl::Label1,     MainControl::Label3};
// The finish cuts these to their ellipses, then shows them, each time in this order.
constexpr std::array kRevealed = {MainControl::saikeisoku, MainControl::shuuryou,
                                  MainControl::SaiPanel, MainControl::ShuPanel};

} // namespace

FinishControls::FinishControls(FinishView &view) : m_view(view) {}

void FinishControls::startBlink()
{
    ButtonBlink = false;
    ShowButtonColors(false);
    m_view.setBlinkTimer(true);
}

void FinishControls::reveal()
{
    for (MainControl control : kRevealed)
        m_view.cutToEllipse(control);
    for (MainControl control : kRevealed)
        m_view.setControlVisible(control, true);
}

void FinishControls::ShowButtonColors(bool highlight)
{
    // Highlighted, each button shows its label's colours with face and text swapped; the
    // labels keep the colours the run's end gave them, as no frame is drawn meanwhile.
    for (const FinishButtonStyle &style : FinishButtons) {
        ButtonColours colours{kButtonRestFace, style.restText};
        if (highlight) {
            const LabelColours label = m_view.labelColours(style.label);
            colours = {label.fontColor, label.color};
        }
        m_view.setButtonColours(style.button, colours);
    }
}

void FinishControls::Timer1Timer()
{
    m_view.setBlinkInterval(kBlinkIntervalMs);
    ButtonBlink = !ButtonBlink;
    ShowButtonColors(ButtonBlink);
}

void FinishControls::saikeisokuClick()
{
    m_view.FormCreate();
    for (MainControl control : kHiddenByRemeasure)
        m_view.setControlVisible(control, false);
    m_view.setBlinkTimer(false);
}

void FinishControls::shuuryouClick()
{
    m_view.closeMainWindow();
}

void FinishControls::saikeisokuMouseDown(TMouseButton Button, int X, int Y)
{
    mouseDown(FinishButton::saikeisoku, Button, X, Y);
}

void FinishControls::saikeisokuMouseUp(TMouseButton Button, int, int)
{
    mouseUp(Button);
}

void FinishControls::shuuryouMouseDown(TMouseButton Button, int X, int Y)
{
    mouseDown(FinishButton::shuuryou, Button, X, Y);
}

void FinishControls::shuuryouMouseUp(TMouseButton Button, int, int)
{
    mouseUp(Button);
}

void FinishControls::mouseDown(FinishButton button, TMouseButton Button, int X, int Y)
{
    if (Button == TMouseButton::Left) {
        // Sunk to a fixed depth below its place at rest rather than by a step from wherever
        // it stands, so no press or release that went astray can leave it displaced.
        m_view.placeButton(button, kPressDepth, kPressDepth);
        m_pressed = button;
    }
    // The menu opens beside the press and moves no button: one that a held left press
    // sank stays down until that press is released.
    if (Button == TMouseButton::Right) {
        const ScreenPoint window = m_view.windowOrigin();
        m_view.popupMenu({window.x + X + kMenuOffsetX, window.y + Y + styleOf(button).menuOffsetY});
    }
}

void FinishControls::mouseUp(TMouseButton Button)
{
    // Only the left release ends the press, and it moves back the button that the press sank.
    if (Button != TMouseButton::Left || !m_pressed)
        return;
    const FinishButton pressed = *m_pressed;
    m_pressed.reset();
    m_view.placeButton(pressed, 0, 0);
}
