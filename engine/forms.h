// The program's two windows, made in the start-up's order by every front end: the clear
// chosen before the first frame, the main window (whose creation starts the first run and
// makes it the main window), the score table hidden, and 成績表 handed the table to show.
#pragma once

#include "fieldbitmap.h"

#include <memory>

template <typename MainForm, typename ScoreForm> struct Forms
{
    std::unique_ptr<MainForm> mainForm;
    std::unique_ptr<ScoreForm> scoreForm;
};

// Throws what the windows' construction throws.
template <typename MainForm, typename ScoreForm> Forms<MainForm, ScoreForm> CreateForms()
{
    // Every frame of every run clears the same way.
    chooseClearMethod();
    Forms<MainForm, ScoreForm> forms;
    forms.mainForm = std::make_unique<MainForm>();
    forms.scoreForm = std::make_unique<ScoreForm>();
    forms.mainForm->setScoreTable([table = forms.scoreForm.get()] { table->Show(); });
    return forms;
}
