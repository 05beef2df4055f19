// The main window: a borderless ellipse that shows the measurement run (engine/run.h) one
// frame per idle pass, and offers re-measure and quit when a run is over. It builds and
// styles its controls and shows what the run tells it; the run's rules live below.
#pragma once

#include "gdipresenter.h"
#include "label.h"
#include "layout.h"
#include "panel.h"
#include "run.h"
#include "timer.h"
#include "winapi.h"

#include <functional>
#include <memory>
#include <string>

class TApplication;

class TMainForm final : private RunView
{
public:
    static constexpr int kWidth = kMainWindowWidth;
    static constexpr int kHeight = kMainWindowHeight;

    // Creates the window hidden, with its layout, and runs FormCreate.
    TMainForm();
    ~TMainForm();
    TMainForm(const TMainForm &) = delete;
    TMainForm &operator=(const TMainForm &) = delete;

    HWND handle() const { return m_window; }

    // Start of every run: shape, fresh field and sprites, start tick, first frame, idle hook.
    void FormCreate();
    void AppOnIdle(TApplication *Sender, bool &Done);
    void DrawFrame();

    // What 成績表 opens; start-up hands it in.
    void setScoreTable(std::function<void()> show) { m_showScoreTable = std::move(show); }

    // The layout's caption; the window's text, which the task bar shows, is the
    // application's title.
    const std::string &Caption() const { return m_caption; }

    // Shows the window for the first time, centred on the primary screen.
    void ShowCentred();

    void ShowButtonColors(bool highlight);
    void Timer1Timer();
    void saikeisokuClick();
    void shuuryouClick();
    void saikeisokuMouseDown(TPanel *Sender, TMouseButton Button, int X, int Y);
    void saikeisokuMouseUp(TPanel *Sender, TMouseButton Button, int X, int Y);
    void shuuryouMouseDown(TPanel *Sender, TMouseButton Button, int X, int Y);
    void shuuryouMouseUp(TPanel *Sender, TMouseButton Button, int X, int Y);
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
    HMENU PopupMenu1 = nullptr;

private:
    // What the run shows through.
    RunLabel &ratingLabel() override { return *Label1; }
    RunLabel &statusLabel() override { return *Label3; }
    void applyWindowShape() override;
    void showField(std::unique_ptr<FieldBitmap> field) override;
    FieldBitmap &frameField() override;
    void installIdleHook() override;
    void beep() override;
    void showButtonColors(bool highlight) override { ShowButtonColors(highlight); }
    void startBlinkTimer() override;
    void revealButtons() override;
    // Nothing reads how the frames went on Windows: the score is what the window shows.
    void runFinished() override {}

    static void registerClass();
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT message, WPARAM wp, LPARAM lp);
    void onPaint();
    void invalidate();
    static void fieldChanged(void *form);

    void createLabels();
    void createButtons();
    void createMenu();
    void pressButton(FinishButton which, TPanel &button, TMouseButton Button, int X, int Y);
    void releaseButton(TPanel &button, TMouseButton Button);

    HWND m_window = nullptr;
    std::unique_ptr<GdiPresenter> m_presenter;
    std::unique_ptr<FieldBitmap> m_field;
    MeasurementRun m_run;
    std::function<void()> m_showScoreTable;
    std::string m_caption;
    HICON m_icon = nullptr;
    bool m_invalidated = false;  // a repaint is pending
    bool m_framePending = false; // drawn since the last put
    bool m_labelsDrawn = false;  // the labels are in the frame's pixels already
};

extern TMainForm *MainForm;
