// The score table window: eight bands as coloured ellipses with their ranges, the band of
// the last score blinking once a second while the timer runs. What each row shows is kept
// below (engine/scoretablelooks.h); this window draws it.
#pragma once

#include "label.h"
#include "scoretablelooks.h"
#include "scoretablerows.h"
#include "timer.h"
#include "window.h"

#include <array>
#include <memory>

class TScoreForm final : public Window<TScoreForm>
{
public:
    static constexpr int kClientWidth = kScoreTableClientWidth;
    static constexpr int kClientHeight = kScoreTableClientHeight;

    // Created hidden; FormCreate centres it.
    TScoreForm();
    ~TScoreForm();

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
    friend class Window<TScoreForm>;
    static void registerClass();
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint(HWND hwnd);
    HFONT OnGetFont(HWND hwnd);
    void OnTimer(HWND hwnd, UINT id);
    void OnCommand(HWND hwnd, int id, HWND control, UINT notification);
    void OnClose(HWND hwnd);

    // Shows what the row of ScoreTableRows[row] is to show: all of it, or its label alone.
    void applyRow(std::size_t row);
    void applyLabel(std::size_t row);
    RECT shapeRect(std::size_t row) const;

    ScoreTableLooks m_looks;
    std::array<TColor, kScoreTableRowCount> m_shapeColours{}; // as last painted
    GdiObject<HFONT> m_font;       // the window's own, as the layout gives it
    GdiObject<HFONT> m_buttonFont; // Button1's
};

extern TScoreForm *ScoreForm;
