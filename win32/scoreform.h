// The score table window: eight bands as coloured ellipses with their ranges, the band of
// the last score blinking once a second while the timer runs. What each row shows is kept
// below (engine/scoretablelooks.h); this window draws it.
#pragma once

#include "label.h"
#include "scoretablelooks.h"
#include "scoretablerows.h"
#include "timer.h"
#include "winapi.h"

#include <array>
#include <memory>

class TScoreForm
{
public:
    static constexpr int kClientWidth = kScoreTableClientWidth;
    static constexpr int kClientHeight = kScoreTableClientHeight;

    // Created hidden; FormCreate centres it.
    TScoreForm();
    ~TScoreForm();
    TScoreForm(const TScoreForm &) = delete;
    TScoreForm &operator=(const TScoreForm &) = delete;

    HWND handle() const { return m_window; }

    // Shows the window, non-modal. From hidden it resets the rows first; an open window
    // is only brought to the front.
    void Show();

    void FormCreate();
    void FormShow();
    void Timer1Timer();
    void Button1Click();

    // Labels[i] belongs to ScoreTableRows[i], the band of 350 and above first.
    std::array<std::unique_ptr<TLabel>, kScoreTableRowCount> Labels;
    HWND Button1 = nullptr;
    std::unique_ptr<TTimer> Timer1;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wp, LPARAM lp);
    static void registerClass();
    LRESULT handle(UINT message, WPARAM wp, LPARAM lp);
    void onPaint();
    // Shows what the row of ScoreTableRows[row] is to show: all of it, or its label alone.
    void applyRow(std::size_t row);
    void applyLabel(std::size_t row);
    RECT shapeRect(std::size_t row) const;

    HWND m_window = nullptr;
    ScoreTableLooks m_looks;
    std::array<TColor, kScoreTableRowCount> m_shapeColours{}; // as last painted
    GdiObject<HFONT> m_buttonFont;
};

extern TScoreForm *ScoreForm;
