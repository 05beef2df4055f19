#include "label.h"

#include "assign.h"
#include "fonts.h"
#include "labeltext.h"
#include "qtcolour.h"
#include "qttext.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

TLabel::TLabel(QWidget *parent) : QWidget(parent)
{
    // Presses fall through to the window, which drags itself by its body.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    autoSize();
}

void TLabel::setCaption(std::string_view caption)
{
    if (m_captionIsUtf8 && caption == m_captionUtf8)
        return;
    setCaption(toQString(caption));
    m_captionUtf8.assign(caption);
    m_captionIsUtf8 = true;
}

void TLabel::setCaption(const QString &caption)
{
    m_captionIsUtf8 = false;
    if (!assignIfChanged(m_caption, caption))
        return;
    autoSize();
    changed();
}

void TLabel::setColor(TColor colour)
{
    if (assignIfChanged(m_color, colour) && !m_transparent)
        changed();
}

void TLabel::setFontColor(TColor colour)
{
    if (assignIfChanged(m_fontColor, colour))
        changed();
}

void TLabel::setLabelFont(const QFont &newFont)
{
    if (newFont == font() && !m_lines.empty())
        return;
    setFont(newFont);
    autoSize();
    changed();
}

void TLabel::setFontSize(int points)
{
    const int pixels = pointsToPixels(points);
    if (font().pixelSize() == pixels)
        return;
    QFont f = font();
    f.setPixelSize(pixels);
    setLabelFont(f);
}

void TLabel::setTransparent(bool transparent)
{
    if (assignIfChanged(m_transparent, transparent))
        changed();
}

void TLabel::setLeft(int left)
{
    if (left != x()) {
        move(left, y());
        if (m_onChange)
            m_onChange();
    }
}

void TLabel::setTop(int top)
{
    if (top != y()) {
        move(x(), top);
        if (m_onChange)
            m_onChange();
    }
}

void TLabel::setVisible(bool visible)
{
    const bool change = visible == isHidden();
    QWidget::setVisible(visible);
    if (change && m_onChange)
        m_onChange();
}

void TLabel::setComposited(std::function<void()> onChange)
{
    m_onChange = std::move(onChange);
}

void TLabel::changed()
{
    if (m_onChange)
        m_onChange();
    else
        update();
}

const QImage &TLabel::composite()
{
    const Look look{m_layout, m_color, m_fontColor, m_transparent};
    if (look != m_compositeLook || m_composite.size() != size()) {
        m_compositeLook = look;
        m_composite = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        m_composite.fill(Qt::transparent);
        QPainter painter(&m_composite);
        paintLabel(painter);
    }
    return m_composite;
}

void TLabel::autoSize()
{
    const QFontMetrics metrics(font());
    // The layout rules are the engine's (labeltext.h), in UTF-8.
    const QByteArray caption = m_caption.toUtf8();
    const LabelLayout layout = layoutLabel(
        std::string_view(caption.constData(), std::size_t(caption.size())),
        [&](std::string_view line) { return metrics.horizontalAdvance(toQString(line)); },
        metrics.height(), italicOverhang(font().italic(), metrics.ascent()));
    m_lines.clear();
    for (std::string_view line : layout.lines) {
        QStaticText text(toQString(line));
        text.setTextFormat(Qt::PlainText);
        text.prepare(QTransform(), font());
        m_lines.push_back(std::move(text));
    }
    m_lineLefts = layout.lineLefts;
    m_lineHeight = metrics.height();
    m_ascent = metrics.ascent();
    ++m_layout;
    resize(layout.width, layout.height);
}

void TLabel::paintEvent(QPaintEvent *)
{
    // A composited label is in the view's pixels already; painting it again here would
    // darken the edges of its text.
    if (m_onChange)
        return;
    QPainter painter(this);
    paintLabel(painter);
}

void TLabel::paintLabel(QPainter &painter)
{
    if (!m_transparent)
        painter.fillRect(rect(), toQColor(m_color));
    painter.setPen(toQColor(m_fontColor));
    painter.setFont(font());
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        painter.drawStaticText(QPoint(m_lineLefts[i], int(i) * m_lineHeight), m_lines[i]);
}
