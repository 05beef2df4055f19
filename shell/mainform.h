// The main window: a borderless ellipse that shows the measurement run (engine/run.h)
// one frame per idle pass, and offers re-measure and quit when a run is over. It builds
// and styles its controls and shows what the run and the finish controls tell it; their
// rules live below (engine/mainformrules.h).
#pragma once

#include "image.h"
#include "label.h"
#include "layout.h"
#include "mainformrules.h"
#include "panel.h"
#include "presentation.h"
#include "timer.h"

#include <QWidget>

#include <functional>

class QAction;
class QMenu;
class TApplication;

// The main window's actions, in their list order.
struct TActionList
{
    QAction *ActAbout = nullptr;
    QAction *ActHanntei = nullptr;
};

class TMainForm : public QWidget, public MainFormRules
{
    Q_OBJECT
public:
    static constexpr int kWidth = kMainWindowWidth;
    static constexpr int kHeight = kMainWindowHeight;

    // `fieldPath` lets a test compare the ways to the screen; the program takes the fastest.
    explicit TMainForm(QWidget *parent = nullptr, FieldPath fieldPath = FieldPath::Fastest);
    ~TMainForm() override;

    // What 成績表 opens; start-up hands it in.
    void setScoreTable(std::function<void()> show) { m_showScoreTable = std::move(show); }

    // The caption of the layout, " Plovex     Vendrake\u3000"; the window's title, which
    // the desktop shows, is the application's.
    const QString &Caption() const { return m_caption; }

    // What the score does not measure on this window system (empty where it measures what
    // it does on X11).
    std::string_view presentationCaveat() const { return m_presentationCaveat; }

    // Shows the window for the first time, centred on the primary screen.
    void ShowCentred();

    void ActAboutExecute();
    void ActHannteiExecute();

    // Controls, named as in the layout.
    TImage *Image1 = nullptr;
    TImage *Image2 = nullptr;
    TImage *Image3 = nullptr;
    TLabel *Label1 = nullptr;
    TLabel *Label3 = nullptr;
    TPanel *SaiPanel = nullptr;
    TPanel *saikeisoku = nullptr;
    TPanel *ShuPanel = nullptr;
    TPanel *shuuryou = nullptr;
    TTimer *Timer1 = nullptr;
    TActionList ActionList1;
    QMenu *PopupMenu1 = nullptr;
    QAction *N1 = nullptr;

    // The ellipse the window is cut to, in its own coordinates.
    static QRegion windowShape(int width, int height);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
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

    void createImages();
    void createLabels();
    void createButtons();
    void createActions();
    TPanel *panel(MainControl which) const; // a button or a frame
    TPanel *button(FinishButton which) const;

    bool m_shapeCutsOutput = true;
    std::string_view m_presentationCaveat;
    std::function<void()> m_showScoreTable;
    QString m_caption;
    bool m_shownOnce = false;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};

extern TMainForm *MainForm;
