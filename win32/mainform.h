// The main window: a borderless ellipse that shows the measurement run (engine/run.h) one
// frame per idle pass, and offers re-measure and quit when a run is over. It builds and
// styles its controls and shows what the run and the finish controls tell it; their rules
// live below (engine/mainformrules.h).
#pragma once

#include "gdipresenter.h"
#include "label.h"
#include "layout.h"
#include "mainformrules.h"
#include "panel.h"
#include "timer.h"
#include "window.h"

#include <functional>
#include <memory>
#include <string>

class TApplication;

class TMainForm final : public Window<TMainForm>, public MainFormRules
{
public:
    static constexpr int kWidth = kMainWindowWidth;
    static constexpr int kHeight = kMainWindowHeight;

    // Creates the window hidden, with its layout, and runs FormCreate.
    TMainForm();
    ~TMainForm();

    // What 成績表 opens; start-up hands it in.
    void setScoreTable(std::function<void()> show) { m_showScoreTable = std::move(show); }

    // The layout's caption; the window's text, which the task bar shows, is the
    // application's title.
    const std::string &Caption() const { return m_caption; }

    // Shows the window for the first time, centred on the primary screen.
    void ShowCentred();

    void ActAboutExecute();
    void ActHannteiExecute();

    // Controls, named as in the layout.
    std::unique_ptr<TLabel> Label1;
    std::unique_ptr<TLabel> Label3;
    std::unique_ptr<TPanel> SaiPanel;
    std::unique_ptr<TPanel> saikeisoku;
    std::unique_ptr<TPanel> ShuPanel;
    std::unique_ptr<TPanel> shuuryou;
    std::unique_ptr<TTimer> Timer1;
    OwnedMenu PopupMenu1;

private:
    friend class Window<TMainForm>;
    static void registerClass();
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    UINT OnNCHitTest(HWND hwnd, int x, int y);
    void OnPaint(HWND hwnd);
    BOOL OnEraseBkgnd(HWND hwnd, HDC dc);
    void OnTimer(HWND hwnd, UINT id);
    void OnClose(HWND hwnd);
    void OnDestroy(HWND hwnd);

    // What the run shows through.
    RunLabel &ratingLabel() override { return *Label1; }
    RunLabel &statusLabel() override { return *Label3; }
    void applyWindowShape() override;
    void showField(std::unique_ptr<FieldBitmap> field) override;
    FieldBitmap &frameField() override;
    void installIdleHook() override;
    void beep() override;
    void runFinished() override;

    // What the finish controls show through.
    LabelColours labelColours(MainControl label) const override;
    void setButtonColours(FinishButton button, ButtonColours colours) override;
    void placeButton(FinishButton button, int left, int top) override;
    void cutToEllipse(MainControl control) override;
    void setControlVisible(MainControl control, bool visible) override;
    void setBlinkTimer(bool enabled) override;
    void setBlinkInterval(int ms) override;
    ScreenPoint windowOrigin() const override;
    void popupMenu(ScreenPoint at) override;
    void closeMainWindow() override;

    void invalidate();
    static void fieldChanged(void *form);
    void createLabels();
    void createButtons();
    void createMenu();
    TPanel &panel(MainControl which) const; // a button or a frame

    std::unique_ptr<GdiPresenter> m_presenter;
    std::unique_ptr<FieldBitmap> m_field;
    std::function<void()> m_showScoreTable;
    std::string m_caption;
    HICON m_icon = nullptr;
    bool m_invalidated = false;  // a repaint is pending
    bool m_framePending = false; // drawn since the last put
    bool m_labelsDrawn = false;  // the labels are in the frame's pixels already
};

extern TMainForm *MainForm;
