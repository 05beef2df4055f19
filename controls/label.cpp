#include "label.h"

#include "assign.h"
#include "fonts.h"
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

QStringList TLabel::splitLines(const QString &caption)
{
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(current);
            current.clear();
            const QChar pair = c == u'\r' ? u'\n' : u'\r';
            if (i + 1 < caption.size() && caption.at(i + 1) == pair)
                ++i;
        } else {
            current.append(c);
        }
    }
    lines.append(current);
    return lines;
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
    // An empty caption still takes the room of one space.
    const QStringList lines = splitLines(m_caption.isEmpty() ? QStringLiteral(" ") : m_caption);
    m_lines.clear();
    m_lineWidths.clear();
    // Italics lean past the advance, at most about a fifth of the ascent. Allow for that
    // once per font rather than by each text's ink, so texts of equal advance get equal
    // widths and the scrolling status line stays centred.
    const int overhang = font().italic() ? (metrics.ascent() + 4) / 5 : 0;
    int width = 0;
    for (const QString &line : lines) {
        const int w = metrics.horizontalAdvance(line) + overhang;
        QStaticText text(line);
        text.setTextFormat(Qt::PlainText);
        text.prepare(QTransform(), font());
        m_lines.push_back(std::move(text));
        m_lineWidths.push_back(w); // centred with its lean, so the widest line's ink fits
        width = std::max(width, w);
    }
    m_lineHeight = metrics.height();
    m_ascent = metrics.ascent();
    ++m_layout;
    resize(width, m_lineHeight * int(lines.size()));
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
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const int left = (width() - m_lineWidths[i]) / 2;
        painter.drawStaticText(QPoint(left, int(i) * m_lineHeight), m_lines[i]);
    }
}
