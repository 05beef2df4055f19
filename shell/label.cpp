#include "label.h"

#include "colours.h"
#include "fonts.h"

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

void TLabel::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    autoSize();
    update();
}

void TLabel::setColor(TColor colour)
{
    if (colour == m_color)
        return;
    m_color = colour;
    if (!m_transparent)
        update();
}

void TLabel::setFontColor(TColor colour)
{
    if (colour == m_fontColor)
        return;
    m_fontColor = colour;
    update();
}

void TLabel::setLabelFont(const QFont &newFont)
{
    if (newFont == font() && !m_lines.empty())
        return;
    setFont(newFont);
    autoSize();
    update();
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
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    update();
}

void TLabel::setLeft(int left)
{
    if (left != x())
        move(left, y());
}

void TLabel::setTop(int top)
{
    if (top != y())
        move(x(), top);
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
    resize(width, m_lineHeight * int(lines.size()));
}

void TLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_transparent)
        painter.fillRect(rect(), toQColor(m_color));
    painter.setPen(toQColor(m_fontColor));
    painter.setFont(font());
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const int left = (width() - m_lineWidths[i]) / 2;
        painter.drawStaticText(QPoint(left, int(i) * m_lineHeight), m_lines[i]);
    }
}
