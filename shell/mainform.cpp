#include "mainform.h"

#include "application.h"
#include "ellipse.h"
#include "finishcontrols.h"
#include "fonts.h"
#include "guarded.h"
#include "presentation.h"
#include "presentreport.h"
#include "qtcolour.h"
#include "qttext.h"
#include "runstate.h"
#include "spritesheet.h"
#include "texts.h"
#include "x11window.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

TMainForm *MainForm = nullptr;

namespace {

QRect placeRect(MainControl control)
{
    const ControlPlace &place = placeOf(control);
    return {place.left, place.top, place.width, place.height};
}

} // namespace

TMainForm::TMainForm(QWidget *parent, FieldPath fieldPath)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), MainFormRules(builtInSheets())
{
    MainForm = this;
    if (Application)
        Application->registerForm(this);

    // Task bars and window lists show a window's title: the desktop lists the program
    // under the application's title. The caption stays the window's own; with no title
    // bar it is never displayed.
    setWindowTitle(toQString(kApplicationTitle));
    m_caption = toQString(kMainWindowCaption);
    setFixedSize(kWidth, kHeight);
    setWindowIcon(QIcon(QStringLiteral(":/assets/plovex.ico")));
    setFont(makeFont(kMainWindowFont));
    // The field covers the whole client area from the first frame on, so this colour
    // never shows; it is what the desktop's theme gives window borders.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(clActiveBorder));
    setPalette(palette);
    setAutoFillBackground(false);
    createImages();
    createLabels();
    createButtons();
    createActions();
    FieldPresentation presentation = presentField(*Image1, fieldPath);
    Image1->setPresenter(std::move(presentation.presenter));
    // Where the shape does not cut what shows, paint nothing outside the ellipse. (Only the
    // back buffer is used there, so the native window is not made yet.)
    m_shapeCutsOutput = presentation.shapeCutsOutput;
    m_presentationCaveat = presentation.caveat;
    if (!m_shapeCutsOutput)
        setAttribute(Qt::WA_TranslucentBackground);
    // The field draws the labels into its own pixels, the same way on every path.
    Image1->addOverlay(Label1);
    Image1->addOverlay(Label3);
    if (presentation.viewIsWindow) {
        // The buttons' frames become windows too, so that they stay above the field's.
        SaiPanel->setAttribute(Qt::WA_NativeWindow);
        ShuPanel->setAttribute(Qt::WA_NativeWindow);
    }

    guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm()
{
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::createImages()
{
    Image1 = new TImage(this);
    Image1->setGeometry(placeRect(MainControl::Image1));

    // The sheets the run draws from, held (never shown) as the layout has them.
    const SpriteSheets &sheets = builtInSheets();
    Image2 = new TImage(this);
    Image2->move(placeRect(MainControl::Image2).topLeft());
    Image2->setPicture(sheetPicture(sheets.mask));
    Image2->hide();

    Image3 = new TImage(this);
    Image3->move(placeRect(MainControl::Image3).topLeft());
    Image3->setPicture(sheetPicture(sheets.colour));
    Image3->hide();
}

void TMainForm::createLabels()
{
    Label1 = new TLabel(this);
    Label1->move(placeRect(MainControl::Label1).topLeft());
    Label1->setColor(clPurple);
    Label1->setFontColor(clWhite);
    Label1->setLabelFont(makeFont(kLabel1Font));
    Label1->setTransparent(true);
    Label1->hide();

    Label3 = new TLabel(this);
    Label3->move(placeRect(MainControl::Label3).topLeft());
    Label3->setColor(clWhite);
    Label3->setFontColor(clMaroon);
    Label3->setLabelFont(makeFont(kLabel3Font));
    Label3->setTransparent(true);
    Label3->hide();
}

void TMainForm::createButtons()
{
    auto makeFrame = [this](MainControl place) {
        auto *frame = new TPanel(this);
        frame->setGeometry(placeRect(place));
        frame->setColor(clGray);
        frame->setCursor(Qt::PointingHandCursor);
        frame->hide();
        return frame;
    };
    auto makeButton = [](TPanel *frame, MainControl place, std::string_view caption,
                         TColor textColour) {
        auto *button = new TPanel(frame);
        button->setGeometry(placeRect(place));
        button->setColor(kButtonRestFace);
        button->setFontColor(textColour);
        button->setFont(makeFont(kButtonFont));
        button->setCaption(toQString(caption));
        // Only the frames show the hand; the buttons keep the arrow.
        button->setCursor(Qt::ArrowCursor);
        return button;
    };

    SaiPanel = makeFrame(MainControl::SaiPanel);
    saikeisoku = makeButton(SaiPanel, MainControl::saikeisoku, kRemeasureCaption,
                            styleOf(FinishButton::saikeisoku).restText);
    saikeisoku->hide();
    ShuPanel = makeFrame(MainControl::ShuPanel);
    shuuryou = makeButton(ShuPanel, MainControl::shuuryou, kQuitCaption,
                          styleOf(FinishButton::shuuryou).restText);
    Timer1 = new TTimer(this);
    finishControls().wire(*saikeisoku, *shuuryou, *Timer1);
}

void TMainForm::createActions()
{
    ActionList1.ActAbout = new QAction(toQString(kAboutActionCaption), this);
    ActionList1.ActHanntei = new QAction(toQString(kScoreTableCaption), this);
    connect(ActionList1.ActAbout, &QAction::triggered, this,
            [this] { guarded([this] { ActAboutExecute(); }); });
    connect(ActionList1.ActHanntei, &QAction::triggered, this,
            [this] { guarded([this] { ActHannteiExecute(); }); });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(ActionList1.ActAbout);
    N1 = PopupMenu1->addSeparator();
    PopupMenu1->addAction(ActionList1.ActHanntei);
}

QRegion TMainForm::windowShape(int width, int height)
{
    QList<QRect> rects;
    for (const ShapeBand &band : ellipseBands(width, height))
        rects.append(QRect(band.left, band.top, band.width, band.height));
    QRegion shape;
    shape.setRects(rects.constData(), int(rects.size()));
    return shape;
}

void TMainForm::applyWindowShape()
{
    // The shape belongs to the native window; make it now if it does not exist yet.
    winId();
    const QRegion shape = windowShape(width(), height());
    // The native window's mask shapes it for output and input without clipping every
    // paint of ours, which a widget mask would (and would slow each frame down).
    windowHandle()->setMask(shape);
    if (!m_shapeCutsOutput)
        Image1->setPaintClip(shape);
}

void TMainForm::showField(std::unique_ptr<FieldBitmap> field)
{
    Image1->move(0, 0);
    Image1->setField(std::move(field));
}

FieldBitmap &TMainForm::frameField()
{
    Image1->beginFrame();
    return *Image1->Field();
}

void TMainForm::installIdleHook()
{
    if (Application)
        Application->setOnIdle(
            [this](TApplication *sender, bool &done) { AppOnIdle(sender, done); });
}

void TMainForm::beep()
{
    QApplication::beep();
}

void TMainForm::runFinished()
{
    // For whoever compares runs (xprop shows it): which way the frames reached the
    // screen and how long they waited for the window system.
    const PresentReport report =
        PresentReport::of(std::uint64_t(std::max(FrameCount, 0)), *Image1->presenter());
    setWindowTextProperty(this, std::string(kPresentProperty).c_str(),
                          QByteArray::fromStdString(report.format()));
}

void TMainForm::ShowCentred()
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const int left = firstShowOrigin(screen.width(), width());
        const int top = firstShowOrigin(screen.height(), height());
        move(screen.left() + left, screen.top() + top);
    }
    show();
    useDesktopPointer(*this);
}

TPanel *TMainForm::panel(MainControl which) const
{
    switch (which) {
    case MainControl::SaiPanel:
        return SaiPanel;
    case MainControl::saikeisoku:
        return saikeisoku;
    case MainControl::ShuPanel:
        return ShuPanel;
    case MainControl::shuuryou:
        return shuuryou;
    default:
        return nullptr;
    }
}

TPanel *TMainForm::button(FinishButton which) const
{
    return panel(styleOf(which).control);
}

LabelColours TMainForm::labelColours(MainControl label) const
{
    const TLabel *shown = label == MainControl::Label1 ? Label1 : Label3;
    return {shown->Color(), shown->FontColor()};
}

void TMainForm::setButtonColours(FinishButton which, ButtonColours colours)
{
    button(which)->setColor(colours.face);
    button(which)->setFontColor(colours.text);
}

void TMainForm::placeButton(FinishButton which, int left, int top)
{
    button(which)->setLeft(left);
    button(which)->setTop(top);
}

void TMainForm::cutToEllipse(MainControl which)
{
    panel(which)->setEllipticRegion();
}

void TMainForm::setControlVisible(MainControl which, bool visible)
{
    switch (which) {
    case MainControl::Label1:
        Label1->setVisible(visible);
        break;
    case MainControl::Label3:
        Label3->setVisible(visible);
        break;
    default:
        panel(which)->setVisible(visible);
    }
}

void TMainForm::setBlinkTimer(bool enabled)
{
    Timer1->setEnabled(enabled);
}

void TMainForm::setBlinkInterval(int ms)
{
    Timer1->setInterval(ms);
}

ScreenPoint TMainForm::windowOrigin() const
{
    return {x(), y()};
}

void TMainForm::popupMenu(ScreenPoint at)
{
    PopupMenu1->popup(QPoint(at.x, at.y));
}

void TMainForm::closeMainWindow()
{
    close();
}

void TMainForm::ActAboutExecute()
{
    // The desktop has no about box of its own to lend: a plain one, owned by this window
    // and modal to it alone, so an open score table stays usable. It is not run in a loop
    // of its own: the program's loop goes on while it is open.
    auto *box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(toQString(kApplicationTitle));
    box->setIconPixmap(windowIcon().pixmap(32, 32));
    box->setTextFormat(Qt::RichText);
    box->setText(QStringLiteral("<b>%1</b>").arg(toQString(kApplicationTitle).toHtmlEscaped()));
    box->setInformativeText(toQString(kAboutFirstLine) + QStringLiteral("\n") +
                            toQString(kAboutCredit));
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
}

void TMainForm::ActHannteiExecute()
{
    if (m_showScoreTable)
        m_showScoreTable();
}

void TMainForm::mousePressEvent(QMouseEvent *event)
{
    // The whole body acts as a title bar: a left press anywhere on it moves the window.
    if (event->button() != Qt::LeftButton)
        return;
    m_manualDrag = false;
    // A press while another button holds the pointer reaches us wherever it is; outside
    // the ellipse it is not on the body, and dragging by it could take the window off-screen.
    if (!windowShape(width(), height()).contains(event->position().toPoint()))
        return;
    // Qt can keep a stale position for us after a window manager reparents the window
    // (0,0 under openbox), and it builds the move request from that: put it right first.
    const QPoint origin = (event->globalPosition() - event->position()).toPoint();
    if (windowHandle() && windowHandle()->position() != origin)
        windowHandle()->setPosition(origin);
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    // No window manager to do the move (a bare X server): follow the pointer ourselves.
    m_manualDrag = true;
    // The pressed point of the body stays under the pointer. Taken from the event, not
    // from pos(): input queued before our last move still refers to where we were.
    m_dragOffset = event->position().toPoint();
}

void TMainForm::mouseMoveEvent(QMouseEvent *event)
{
    if (m_manualDrag && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void TMainForm::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_manualDrag = false;
}
