// What both front ends' main windows are alike in: the measurement run they show and the
// finish controls they offer, with the window's handlers of the run named as its events
// are. A front end's TMainForm derives from MainFormRules, implements the two views (what
// to show and how) and wires its controls to finishControls().
#pragma once

#include "finishcontrols.h"
#include "run.h"

class MainFormRules : protected RunView, protected FinishView
{
public:
    MainFormRules(const MainFormRules &) = delete;
    MainFormRules &operator=(const MainFormRules &) = delete;

    // The creation handler, and the start of every run: shape, fresh field and sprites,
    // start tick, first frame, idle hook.
    void FormCreate() final { m_run.start(); }
    // The idle hook: a frame while the run lasts, nothing after it.
    template <typename Application> void AppOnIdle(Application * /*Sender*/, bool & /*Done*/)
    {
        m_run.idle();
    }
    void DrawFrame() { m_run.drawFrame(); }

    // The buttons' blink, pressed look, menu, re-measure and quit.
    FinishControls &finishControls() { return m_finish; }

protected:
    explicit MainFormRules(const SpriteSheets &sheets) : m_run(*this, sheets, m_finish) {}
    ~MainFormRules() = default;

private:
    FinishControls m_finish{*this};
    MeasurementRun m_run;
};
