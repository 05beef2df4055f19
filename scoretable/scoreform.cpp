#include "scoreform.h"

#include "application.h"
#include "colours.h"
#include "fonts.h"
#include "runstate.h"
#include "scoretablerows.h"
#include "texts.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <optional>

#if PLOVEX_HAVE_XCB
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>
#endif

bool TableBlink = false;
TScoreForm *ScoreForm = nullptr;

namespace {

constexpr int kShapeLeft = 8;
constexpr int kShapeWidth = 65;
constexpr int kShapeHeight = 25;
constexpr int kLabelLeft = 88;

// The row of band k sits at ScoreTableRows[8 - k].
const ScoreTableRow &rowOfBand(int band)
{
    return ScoreTableRows[std::size_t(kScoreTableRowCount - band)];
}

#if PLOVEX_HAVE_XCB
xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, false, std::uint16_t(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The first `count` 32-bit values of a window's property, or fewer if it has fewer.
std::vector<std::uint32_t> cardinals(xcb_connection_t *connection, xcb_window_t window,
                                     xcb_atom_t property, xcb_atom_t type, std::uint32_t count)
{
    std::vector<std::uint32_t> values;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, false, window, property, type, 0, count), nullptr);
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const std::uint32_t *>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}
#endif

// The frame a window manager will put around `window` once it shows, asked before it
// shows (_NET_REQUEST_FRAME_EXTENTS); nothing without a manager that answers.
std::optional<QMargins> announcedFrame([[maybe_unused]] QWidget *window)
{
#if PLOVEX_HAVE_XCB
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return std::nullopt;
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t request = internAtom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = internAtom(connection, "_NET_FRAME_EXTENTS");
    const std::vector<std::uint32_t> supported =
        cardinals(connection, root, internAtom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 1024);
    if (std::find(supported.begin(), supported.end(), request) == supported.end())
        return std::nullopt;

    const auto id = xcb_window_t(window->winId());
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, false, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);

    // The manager answers by setting the property on the window; a manager that is too
    // busy to answer within the deadline leaves the window centred by its client size.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    do {
        const std::vector<std::uint32_t> frame =
            cardinals(connection, id, extents, XCB_ATOM_CARDINAL, 4);
        if (frame.size() == 4) // left, right, top, bottom
            return QMargins(int(frame[0]), int(frame[2]), int(frame[1]), int(frame[3]));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < deadline);
#endif
    return std::nullopt;
}

} // namespace

TShape::TShape(QWidget *parent) : QWidget(parent) {}

void TShape::setBrushColor(TColor colour)
{
    if (colour == m_brushColor)
        return;
    m_brushColor = colour;
    update();
}

void TShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(toQColor(m_brushColor));
    painter.drawEllipse(0, 0, width() - 1, height() - 1);
}

TScoreForm::TScoreForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    ScoreForm = this;
    if (Application)
        Application->registerForm(this);
    setWindowTitle(toQString(kScoreTableCaption));
    setWindowIcon(QIcon(QStringLiteral(":/assets/plovex.ico")));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette face = palette();
    face.setColor(QPalette::Window, toQColor(clBtnFace));
    setPalette(face);
    setAutoFillBackground(true);
    setFont(makeFont(kFacePGothic, 12));
    move(192, 107);

    for (int band = 1; band <= kScoreTableRowCount; ++band) {
        const ScoreTableRow &row = rowOfBand(band);
        auto *shape = new TShape(this);
        shape->setGeometry(kShapeLeft, row.shapeTop, kShapeWidth, kShapeHeight);
        shape->setBrushColor(row.colour);
        Shapes[std::size_t(band - 1)] = shape;

        auto *label = new TLabel(this);
        label->move(kLabelLeft, row.labelTop);
        label->setColor(clBtnFace);
        label->setFontColor(clWindowText);
        label->setLabelFont(makeFont(kFacePGothic, 15, true));
        label->setCaption(toQString(row.rangeCaption));
        Labels[std::size_t(band - 1)] = label;
    }

    Button1 = new QPushButton(toQString(kOkCaption), this);
    Button1->setGeometry(55, 280, 100, 25);
    Button1->setFont(makeFont(kFacePGothic, 16, true));
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

QPoint TScoreForm::centredOrigin(QSize screen, QSize outer)
{
    return {(screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2};
}

void TScoreForm::FormCreate()
{
    // The outer size includes whatever frame the desktop has announced by now.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.topLeft() + centredOrigin(screen.size(), frameGeometry().size()));
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
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint outer = screen.topLeft() + centredOrigin(screen.size(), size().grownBy(*frame));
    // The client's place; the manager puts the frame around it.
    setGeometry(QRect(outer + QPoint(frame->left(), frame->top()), size()));
}

void TScoreForm::FormShow()
{
    for (int band = 1; band <= kScoreTableRowCount; ++band)
        Labels[std::size_t(band - 1)]->setCaption(toQString(rowOfBand(band).rangeCaption));
    for (TLabel *label : Labels)
        label->setFontColor(clBlack);
    TableBlink = false;
    Timer1->setEnabled(true);
}

void TScoreForm::Timer1Timer()
{
    Timer1->setInterval(1000);
    TableBlink = !TableBlink;
    ShowBand(TableBlink);
}

void TScoreForm::ShowBand(bool highlight)
{
    const ScoreTableRow &row = scoreTableRowFor(Score);
    TShape *shape = Shapes[std::size_t(row.band - 1)];
    TLabel *label = Labels[std::size_t(row.band - 1)];
    if (highlight) {
        shape->setBrushColor(clYellow);
        label->setFontColor(clRed);
        label->setCaption(toQString(row.comment));
    } else {
        // The label keeps its red comment until the window is shown again.
        shape->setBrushColor(row.colour);
    }
}

void TScoreForm::Button1Click()
{
    Timer1->setEnabled(false);
    close();
}
