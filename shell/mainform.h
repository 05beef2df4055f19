// The main window: a borderless ellipse that shows the play field, runs the measurement
// one frame per idle pass, and offers re-measure and quit when a run is over.
#pragma once

#include "image.h"
#include "label.h"
#include "panel.h"
#include "spritesheet.h"
#include "timer.h"

#include <QWidget>

#include <array>
#include <optional>

class QAction;
class QMenu;
class TApplication;

// Blink phase of the two buttons: false is the rest phase.
extern bool ButtonBlink;

// The main window's actions, in their list order.
struct TActionList
{
    QAction *ActAbout = nullptr;
    QAction *ActHanntei = nullptr;
};

class TMainForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 512;
    static constexpr int kHeight = 293;

    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // Start of every run: shape, fresh field and sprites, start tick, first frame, idle hook.
    void FormCreate();
    void AppOnIdle(TApplication *Sender, bool &Done);
    void DrawFrame();
    void DrawTile(int x, int y, int tile);

    // The caption of the layout, " Plovex     Vendrake\u3000"; the window's title, which
    // the desktop shows, is the application's.
    const QString &Caption() const { return m_caption; }

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
    void createImages();
    void createLabels();
    void createButtons();
    void createActions();
    void ApplyWindowShape();
    void PrepareField();
    void ScoreStep();
    void FinishSequence();
    void publishPresentation();
    void pressButton(TPanel *button, TMouseButton Button, int X, int Y, int menuOffsetY);
    void releaseButton(TPanel *button, TMouseButton Button);

    SpriteSheets m_sheets;
    std::array<QString, 27> m_marquee; // converted once, assigned by reference every frame
    QString m_caption;
    QString m_header;
    std::optional<std::pair<std::int32_t, QString>> m_rating; // last composed score and text
    bool m_shownOnce = false;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};

extern TMainForm *MainForm;
