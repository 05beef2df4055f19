#include "scoreform.h"

#include "finishcontrols.h"
#include "fonts.h"
#include "guarded.h"
#include "layout.h"
#include "qtcolour.h"
#include "qttext.h"
#include "runstate.h"
#include "scoretablerows.h"
#include "texts.h"
#include "x11window.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include <optional>

TScoreForm *ScoreForm = nullptr;

namespace {

// The row of band k sits at ScoreTableRows[8 - k].
const ScoreTableRow &rowOfBand(int band)
{
    return ScoreTableRows[std::size_t(kScoreTableRowCount - band)];
}

} // namespace

TScoreForm::TScoreForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    ScoreForm = this;
    setWindowTitle(toQString(kScoreTableCaption));
    setWindowIcon(QIcon(QStringLiteral(":/assets/plovex.ico")));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette face = palette();
    face.setColor(QPalette::Window, toQColor(clBtnFace));
    setPalette(face);
    setAutoFillBackground(true);
    setFont(makeFont(kScoreTableFont));
    move(kScoreTableDesignLeft, kScoreTableDesignTop);

    for (int band = 1; band <= kScoreTableRowCount; ++band) {
        const ScoreTableRow &row = rowOfBand(band);
        auto *shape = new TShape(this);
        shape->setGeometry(kScoreShapeLeft, row.shapeTop, kScoreShapeWidth, kScoreShapeHeight);
        shape->setBrushColor(row.colour);
        Shapes[std::size_t(band - 1)] = shape;

        auto *label = new TLabel(this);
        label->move(kScoreLabelLeft, row.labelTop);
        label->setColor(clBtnFace);
        label->setFontColor(clWindowText);
        label->setLabelFont(makeFont(kScoreLabelFont));
        label->setCaption(toQString(row.rangeCaption));
        Labels[std::size_t(band - 1)] = label;
    }

    Button1 = new QPushButton(toQString(kOkCaption), this);
    Button1->setGeometry(kScoreTableOkButton.left, kScoreTableOkButton.top,
                         kScoreTableOkButton.width, kScoreTableOkButton.height);
    Button1->setFont(makeFont(kOkButtonFont));
    Button1->setDefault(true);
    Button1->setFocus();
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });

    Timer1 = new TTimer(this);
    Timer1->OnTimer = [this] { Timer1Timer(); };

    guarded([this] { FormCreate(); });
}

TScoreForm::~TScoreForm()
{
    if (ScoreForm == this)
        ScoreForm = nullptr;
}

namespace {

// The origin that centres a window of `outer` size on the primary screen.
QPoint centredOnScreen(QSize outer)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return screen.topLeft() + QPoint(centredOrigin(screen.width(), outer.width()),
                                     centredOrigin(screen.height(), outer.height()));
}

} // namespace

void TScoreForm::FormCreate()
{
    // The outer size includes whatever frame the desktop has announced by now.
    move(centredOnScreen(frameGeometry().size()));
}

void TScoreForm::Show()
{
    if (!isVisible()) {
        FormShow();
        if (!m_shownBefore) {
            m_shownBefore = true;
            centreByAnnouncedFrame();
        }
    }
    show();
    raise();
    activateWindow();
}

void TScoreForm::centreByAnnouncedFrame()
{
    // FormCreate could only count the frame known then, which under a window manager is
    // none yet. The manager tells the frame it will give before the window is mapped, so
    // the window appears centred at once; later shows keep where the user put it.
    const std::optional<QMargins> frame = announcedFrame(this);
    if (!frame)
        return;
    const QPoint outer = centredOnScreen(size().grownBy(*frame));
    // The client's place; the manager puts the frame around it.
    setGeometry(QRect(outer + QPoint(frame->left(), frame->top()), size()));
}

void TScoreForm::FormShow()
{
    m_looks.formShow();
    // The shapes keep what they had.
    for (std::size_t row = 0; row < kScoreTableRowCount; ++row)
        applyLabel(row);
    Timer1->setEnabled(true);
}

void TScoreForm::Timer1Timer()
{
    Timer1->setInterval(kBlinkIntervalMs);
    applyRow(m_looks.timerTick(Score));
}

void TScoreForm::ShowBand(bool highlight)
{
    applyRow(m_looks.showBand(highlight, Score));
}

void TScoreForm::applyRow(std::size_t row)
{
    const int band = ScoreTableRows[row].band;
    Shapes[std::size_t(band - 1)]->setBrushColor(m_looks.rows()[row].shape);
    applyLabel(row);
}

void TScoreForm::applyLabel(std::size_t row)
{
    const ScoreRowLook &look = m_looks.rows()[row];
    TLabel *label = Labels[std::size_t(ScoreTableRows[row].band - 1)];
    label->setFontColor(look.labelFont);
    label->setCaption(toQString(look.caption));
}

void TScoreForm::Button1Click()
{
    Timer1->setEnabled(false);
    close();
}
