// The score table window: eight bands as coloured ellipses with their ranges, the band
// of the last score blinking once a second while the window is open.
#pragma once

#include "colour.h"
#include "label.h"
#include "runstate.h"
#include "scoretablelooks.h"
#include "scoretablerows.h"
#include "shape.h"
#include "timer.h"

#include <QWidget>

#include <array>

class QPushButton;

class TScoreForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = kScoreTableClientWidth;
    static constexpr int kClientHeight = kScoreTableClientHeight;

    explicit TScoreForm(QWidget *parent = nullptr);
    ~TScoreForm() override;

    // Shows the window, non-modal. From hidden it resets the rows first; an open window
    // is only brought to the front.
    void Show();

    void FormCreate();
    void FormShow();
    void Timer1Timer();
    void Button1Click();
    void ShowBand(bool highlight);

    // Shapes[k - 1] and Labels[k - 1] are Shape k and Label k, the row of band k.
    std::array<TShape *, 8> Shapes{};
    std::array<TLabel *, 8> Labels{};
    QPushButton *Button1 = nullptr;
    TTimer *Timer1 = nullptr;

private:
    void centreByAnnouncedFrame();
    // Shows what the row of ScoreTableRows[row] is to show: all of it, or its label alone.
    void applyRow(std::size_t row);
    void applyLabel(std::size_t row);

    ScoreTableLooks m_looks;
    bool m_shownBefore = false;
};

extern TScoreForm *ScoreForm;
