#include "mainform.h"

#include "application.h"
#include "colours.h"
#include "fonts.h"
#include "marquee.h"
#include "rating.h"
#include "runstate.h"
#include "scoreform.h"
#ifdef PLOVEX_SHM_PRESENTER
#include "shmpresenter.h"
#endif
#include "sound.h"
#include "spritefield.h"
#include "texts.h"
#include "tick.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

bool ButtonBlink = false;
TMainForm *MainForm = nullptr;

namespace {

constexpr int kPanelWidth = 102;
constexpr int kPanelHeight = 29;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 27;
constexpr int kPressDepth = 2;       // how far a pressed button sinks
constexpr int kMenuOffsetX = 85;     // the menu opens this far right of the press...
constexpr int kSaiMenuOffsetY = 140; // ...and this far below it, for re-measure
constexpr int kShuMenuOffsetY = 180; // and for quit, 40 lower like its frame
constexpr int kMarqueePoints = 22;   // status line size while a run is measured
constexpr int kHeaderPoints = 14;    // header size once the score is shown
// The about box's second line: the maker's credit.
constexpr std::string_view kAboutCredit = "Copyright (C) Vendrake";
constexpr std::int32_t kPreludeScore = 350; // no band sets colours from here on
constexpr int kDigitLeft = 168;             // the four score digits on the field
constexpr int kDigitSpacing = 48;
constexpr int kDigitTop = 32;

bool isWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

TMainForm::TMainForm(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
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
    setFont(makeFont(kFacePGothic, 15));
    // The field covers the whole client area from the first frame on, so this colour
    // never shows; it is what the desktop's theme gives window borders.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(clActiveBorder));
    setPalette(palette);
    setAutoFillBackground(false);
    if (isWayland()) {
        // No compositor there honours an output shape: paint nothing outside the ellipse.
        setAttribute(Qt::WA_TranslucentBackground);
    }
    m_header = toQString(kRatingHeader);
    for (std::size_t i = 0; i < m_marquee.size(); ++i)
        m_marquee[i] = toQString(MarqueeTexts[i].text);

    createImages();
    createLabels();
    createButtons();
    createActions();
    if (!isWayland() && Image1->presentDirectly()) {
        // The field is then a window of its own: it draws the labels over itself, and the
        // buttons' frames become windows too so that they stay above it.
        Image1->addOverlay(Label1);
        Image1->addOverlay(Label3);
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
    Image1->setGeometry(0, 118, 57, 65);

    Image2 = new TImage(this);
    Image2->move(8, 0);
    Image2->setPicture(QImage(QStringLiteral(":/assets/sheet-mask.bmp")));
    Image2->hide();

    Image3 = new TImage(this);
    Image3->move(8, 40);
    Image3->setPicture(QImage(QStringLiteral(":/assets/sheet-colour.bmp")));
    Image3->hide();

    if (!sheetFromImage(Image2->Picture(), m_sheets.mask) ||
        !sheetFromImage(Image3->Picture(), m_sheets.colour))
        throw std::runtime_error("the built-in sprite sheets cannot be read");
}

void TMainForm::createLabels()
{
    Label1 = new TLabel(this);
    Label1->move(0, 120);
    Label1->setColor(clPurple);
    Label1->setFontColor(clWhite);
    Label1->setLabelFont(makeFont(kFaceMincho, 19, true, true));
    Label1->setTransparent(true);
    Label1->hide();

    Label3 = new TLabel(this);
    Label3->move(0, 102);
    Label3->setColor(clWhite);
    Label3->setFontColor(clMaroon);
    Label3->setLabelFont(makeFont(kFaceGothic, 16, true, true));
    Label3->setTransparent(true);
    Label3->hide();
}

void TMainForm::createButtons()
{
    auto makeFrame = [this](int top) {
        auto *frame = new TPanel(this);
        frame->setGeometry(208, top, kPanelWidth, kPanelHeight);
        frame->setColor(clGray);
        frame->setCursor(Qt::PointingHandCursor);
        frame->hide();
        return frame;
    };
    auto makeButton = [](TPanel *frame, std::string_view caption, TColor textColour) {
        auto *button = new TPanel(frame);
        button->setGeometry(0, 0, kButtonWidth, kButtonHeight);
        button->setColor(clSilver);
        button->setFontColor(textColour);
        button->setFont(makeFont(kFaceRounded, 19, true));
        button->setCaption(toQString(caption));
        // Only the frames show the hand; the buttons keep the arrow.
        button->setCursor(Qt::ArrowCursor);
        return button;
    };

    SaiPanel = makeFrame(184);
    saikeisoku = makeButton(SaiPanel, kRemeasureCaption, clMaroon);
    saikeisoku->hide();
    saikeisoku->OnClick = [this] { saikeisokuClick(); };
    saikeisoku->OnMouseDown = [this](TPanel *s, TMouseButton b, int x, int y) {
        saikeisokuMouseDown(s, b, x, y);
    };
    saikeisoku->OnMouseUp = [this](TPanel *s, TMouseButton b, int x, int y) {
        saikeisokuMouseUp(s, b, x, y);
    };

    ShuPanel = makeFrame(224);
    shuuryou = makeButton(ShuPanel, kQuitCaption, clGreen);
    shuuryou->OnClick = [this] { shuuryouClick(); };
    shuuryou->OnMouseDown = [this](TPanel *s, TMouseButton b, int x, int y) {
        shuuryouMouseDown(s, b, x, y);
    };
    shuuryou->OnMouseUp = [this](TPanel *s, TMouseButton b, int x, int y) {
        shuuryouMouseUp(s, b, x, y);
    };

    Timer1 = new TTimer(this);
    Timer1->OnTimer = [this] { Timer1Timer(); };
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
    return QRegion(0, 0, width, height, QRegion::Ellipse);
}

void TMainForm::ApplyWindowShape()
{
    // The shape belongs to the native window; make it now if it does not exist yet.
    winId();
    const QRegion shape = windowShape(width(), height());
    // The native window's mask shapes it for output and input without clipping every
    // paint of ours, which a widget mask would (and would slow each frame down).
    windowHandle()->setMask(shape);
    if (isWayland())
        Image1->setPaintClip(shape);
}

void TMainForm::PrepareField()
{
    SeedFromClock();
    std::unique_ptr<FieldBitmap> field = NewBlueField();
    Image1->move(0, 0);
    Image1->setField(std::move(field));
    ScatterSprites();
}

void TMainForm::FormCreate()
{
    ApplyWindowShape();
    PrepareField();
    StartTick = GetTickCount();
    FrameCount = 0;
    DrawFrame();
    if (Application)
        Application->setOnIdle(
            [this](TApplication *sender, bool &done) { AppOnIdle(sender, done); });
}

void TMainForm::AppOnIdle(TApplication *, bool &)
{
    if (ElapsedMs <= kFinishMs)
        DrawFrame();
}

void TMainForm::DrawTile(int x, int y, int tile)
{
    ::DrawTile(*Image1->Field(), m_sheets, x, y, tile);
}

void TMainForm::DrawFrame()
{
    Image1->beginFrame();
    FieldBitmap &field = *Image1->Field();

    // Colour prelude, judged on the previous frame's time and the last score.
    if (Score >= kPreludeScore || ElapsedMs <= kScoringMs) {
        Label1->setFontColor(clInfoBk);
        Label1->setColor(clBlack);
        Label3->setFontColor(clFuchsia);
        Label3->setColor(clBlack);
        field.setBrushColor(clBlack);
    }

    SpriteStep(field, m_sheets);

    ElapsedMs = tickDifference(GetTickCount(), StartTick);
    ++FrameCount;

    if (ElapsedMs > 0 && ElapsedMs < kMarqueeEndMs) {
        // Placed by the width the previous frame's text gave it.
        Label3->setLeft((width() - Label3->width()) / 2);
        Label3->setTransparent(true);
        Label3->setFontColor(clWhite);
        Label3->setFontSize(kMarqueePoints);
        Label3->setVisible(true);
        Label3->setCaption(m_marquee[std::size_t(marqueeRow(ElapsedMs))]);
    }

    if (ElapsedMs > kScoringMs)
        ScoreStep();

    if (ElapsedMs > kFinishMs)
        FinishSequence();
}

void TMainForm::ScoreStep()
{
    Score = ComputeScore(FrameCount, ElapsedMs);
    const std::array<int, 4> digits = scoreDigits(Score);
    for (int i = 0; i < 4; ++i)
        DrawTile(kDigitLeft + kDigitSpacing * i, kDigitTop, digits[std::size_t(i)]);

    const RatingBand &band = bandFor(Score);
    if (band.colours) {
        Label1->setFontColor(band.colours->label1Text);
        Label1->setColor(band.colours->background);
        Label3->setFontColor(band.colours->label3Text);
        Label3->setColor(band.colours->background);
        Image1->Field()->setBrushColor(band.colours->background);
    }
    // The text only changes with the score; compose it only then.
    if (!m_rating || m_rating->first != Score)
        m_rating.emplace(Score, ComposeRatingText(Score));
    Label1->setCaption(m_rating->second);

    Label1->setLeft((width() - Label1->width()) / 2);
    Label3->setLeft((width() - Label3->width()) / 2);
    Label3->setFontSize(kHeaderPoints);
    Label3->setCaption(m_header);
}

void TMainForm::FinishSequence()
{
    MessageBeep(0);
    ButtonBlink = false;
    saikeisoku->setColor(clSilver);
    saikeisoku->setFontColor(clMaroon);
    shuuryou->setColor(clSilver);
    shuuryou->setFontColor(clGreen);
    Timer1->setEnabled(true);
    Label1->setTransparent(false);
    Label3->setTransparent(false);
    Label1->setVisible(true);
    Label3->setVisible(true);
    for (TPanel *control : {saikeisoku, shuuryou, SaiPanel, ShuPanel})
        control->setEllipticRegion();
    for (TPanel *control : {saikeisoku, shuuryou, SaiPanel, ShuPanel})
        control->setVisible(true);
    publishPresentation();
}

void TMainForm::publishPresentation()
{
    // For whoever compares runs (xprop shows it): which path put the frames on the screen
    // and, on the direct one, how many frames had to wait for the X server.
#ifdef PLOVEX_SHM_PRESENTER
    QByteArray text;
    if (const ShmPresenter *presenter = Image1->presenter()) {
        const ShmPresenter::Stats &stats = presenter->stats();
        text = "path=shm frames=" + QByteArray::number(FrameCount) +
               " puts=" + QByteArray::number(stats.puts) +
               " waited=" + QByteArray::number(stats.waited);
    } else {
        text = "path=qt frames=" + QByteArray::number(FrameCount);
    }
    ShmPresenter::setWindowProperty(std::uint32_t(winId()), "_PLOVEX_PRESENT", text);
#endif
}

void TMainForm::ShowCentred()
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        // Division truncates toward zero; a screen smaller than the window gets its corner.
        const int left = std::max((screen.width() - width()) / 2, 0);
        const int top = std::max((screen.height() - height()) / 2, 0);
        move(screen.left() + left, screen.top() + top);
    }
    show();
}

void TMainForm::ShowButtonColors(bool highlight)
{
    if (highlight) {
        saikeisoku->setColor(Label3->FontColor());
        saikeisoku->setFontColor(Label3->Color());
        shuuryou->setColor(Label1->FontColor());
        shuuryou->setFontColor(Label1->Color());
    } else {
        saikeisoku->setColor(clSilver);
        saikeisoku->setFontColor(clMaroon);
        shuuryou->setColor(clSilver);
        shuuryou->setFontColor(clGreen);
    }
}

void TMainForm::Timer1Timer()
{
    Timer1->setInterval(1000);
    ButtonBlink = !ButtonBlink;
    ShowButtonColors(ButtonBlink);
}

void TMainForm::saikeisokuClick()
{
    FormCreate();
    for (QWidget *control :
         std::initializer_list<QWidget *>{saikeisoku, shuuryou, SaiPanel, ShuPanel, Label1, Label3})
        control->setVisible(false);
    Timer1->setEnabled(false);
}

void TMainForm::shuuryouClick()
{
    close();
}

void TMainForm::pressButton(TPanel *button, TMouseButton Button, int X, int Y, int menuOffsetY)
{
    // Sunk to a fixed depth below its place at rest rather than by a step from wherever
    // it stands, so no press or release that went astray can leave it displaced.
    if (Button == TMouseButton::Left) {
        button->setLeft(kPressDepth);
        button->setTop(kPressDepth);
    }
    if (Button == TMouseButton::Right)
        PopupMenu1->popup(QPoint(x() + X + kMenuOffsetX, y() + Y + menuOffsetY));
}

void TMainForm::releaseButton(TPanel *button, TMouseButton Button)
{
    if (Button == TMouseButton::Left) {
        button->setLeft(0);
        button->setTop(0);
    }
}

void TMainForm::saikeisokuMouseDown(TPanel *, TMouseButton Button, int X, int Y)
{
    pressButton(saikeisoku, Button, X, Y, kSaiMenuOffsetY);
}

void TMainForm::saikeisokuMouseUp(TPanel *, TMouseButton Button, int, int)
{
    releaseButton(saikeisoku, Button);
}

void TMainForm::shuuryouMouseDown(TPanel *, TMouseButton Button, int X, int Y)
{
    pressButton(shuuryou, Button, X, Y, kShuMenuOffsetY);
}

void TMainForm::shuuryouMouseUp(TPanel *, TMouseButton Button, int, int)
{
    releaseButton(shuuryou, Button);
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
    ScoreForm->Show();
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
