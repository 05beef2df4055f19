#include "panel.h"

#include "assign.h"
#include "finishcontrols.h"
#include "guarded.h"
#include "qtcolour.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <optional>

namespace {

std::optional<TMouseButton> buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return TMouseButton::Left;
    case Qt::RightButton:
        return TMouseButton::Right;
    case Qt::MiddleButton:
        return TMouseButton::Middle;
    default:
        return std::nullopt;
    }
}

} // namespace

TPanel::TPanel(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves with no button down, too: one of them shows a held press whose release was lost.
    setMouseTracking(true);
}

void TPanel::setCaption(const QString &caption)
{
    if (assignIfChanged(m_caption, caption))
        update();
}

void TPanel::setColor(TColor colour)
{
    if (assignIfChanged(m_color, colour))
        update();
}

void TPanel::setFontColor(TColor colour)
{
    if (assignIfChanged(m_fontColor, colour) && !m_caption.isEmpty())
        update();
}

void TPanel::setLeft(int left)
{
    if (left != x())
        move(left, y());
}

void TPanel::setTop(int top)
{
    if (top != y())
        move(x(), top);
}

void TPanel::setEllipticRegion()
{
    // Cut to an ellipse, the panel no longer covers its rectangle. Left opaque, Qt moves
    // a pressed button by copying its whole rectangle, field and frame pixels included,
    // and those copies stay on the screen.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMask(QRegion(kButtonRegionInset, kButtonRegionInset, width() - 2 * kButtonRegionInset,
                    height() - 2 * kButtonRegionInset, QRegion::Ellipse));
}

bool TPanel::event(QEvent *event)
{
    // Hidden, or with another window active, the panel gets no release any more.
    if (event->type() == QEvent::Hide || event->type() == QEvent::WindowDeactivate)
        endHeldPress();
    return QWidget::event(event);
}

bool TPanel::eventFilter(QObject *, QEvent *event)
{
    // The popup's, or whoever's it is: the left button is up, and the held press is over.
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        m_pointer = mapFromGlobal(static_cast<QMouseEvent *>(event)->globalPosition()).toPoint();
        endHeldPress();
    }
    return false;
}

void TPanel::watchForRelease(bool watch)
{
    if (watch == m_watchingRelease)
        return;
    m_watchingRelease = watch;
    if (watch)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void TPanel::endHeldPress()
{
    watchForRelease(false);
    if (!m_leftHeld)
        return;
    m_leftHeld = false;
    if (OnMouseUp)
        guarded([&] { OnMouseUp(this, TMouseButton::Left, m_pointer.x(), m_pointer.y()); });
}

void TPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int w = width(), h = height();
    painter.fillRect(1, 1, w - 2, h - 2, toQColor(m_color));
    // Raised bevel: light along the top and left, shadow along the bottom and right.
    painter.setPen(toQColor(clBtnHighlight));
    painter.drawLine(0, 0, w - 2, 0);
    painter.drawLine(0, 0, 0, h - 2);
    painter.setPen(toQColor(clBtnShadow));
    painter.drawLine(w - 1, 0, w - 1, h - 1);
    painter.drawLine(0, h - 1, w - 1, h - 1);
    if (m_caption.isEmpty())
        return;
    // Centred across, and down by the height of a "W" in the panel's font.
    const QFontMetrics metrics(font());
    const int textHeight = metrics.height();
    const int top = (1 + (h - 1) - textHeight) / 2;
    const int left = 1 + ((w - 2) - metrics.horizontalAdvance(m_caption)) / 2;
    painter.setPen(toQColor(m_fontColor));
    painter.setFont(font());
    painter.drawText(left, top + metrics.ascent(), m_caption);
}

void TPanel::mousePressEvent(QMouseEvent *event)
{
    // Accepted whatever the button, so a press never falls through to the window's drag.
    event->accept();
    const auto code = buttonCode(event->button());
    if (!code)
        return;
    const QPoint at = event->position().toPoint();
    if (*code == TMouseButton::Left) {
        m_leftHeld = true;
        m_pointer = at;
    }
    if (OnMouseDown)
        guarded([&] { OnMouseDown(this, *code, at.x(), at.y()); });
    // A popup the handler opened (the context menu) has taken the pointer: the release of
    // a left button still held will go there, and the press lasts until then.
    if (m_leftHeld && QApplication::activePopupWidget())
        watchForRelease(true);
}

void TPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A quick second press is an ordinary press here; otherwise its release would
    // move a button back that never sank.
    mousePressEvent(event);
}

void TPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (m_leftHeld) {
        m_pointer = event->position().toPoint();
        // The release went elsewhere (another program took the pointer meanwhile).
        if (!(event->buttons() & Qt::LeftButton))
            endHeldPress();
    }
    QWidget::mouseMoveEvent(event);
}

void TPanel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const auto code = buttonCode(event->button());
    if (!code)
        return;
    // The click comes before the release handler, only for a press made here, and only
    // inside the control's rectangle where it stands now.
    const QPoint at = event->position().toPoint();
    bool clicked = false;
    if (*code == TMouseButton::Left) {
        // Its press ended already (at a popup's release, say), or was never made here.
        if (!m_leftHeld)
            return;
        clicked = rect().contains(at);
        m_leftHeld = false;
    }
    if (clicked && OnClick)
        guarded(OnClick);
    if (OnMouseUp)
        guarded([&] { OnMouseUp(this, *code, at.x(), at.y()); });
}
