#include "label.h"

#include "fonts.h"

namespace {

// A device context like the screen's, to measure text in.
HDC measuringDC()
{
    static HDC dc = CreateCompatibleDC(nullptr);
    return dc;
}

} // namespace

TLabel::TLabel(std::function<void()> changed) : m_changed(std::move(changed))
{
    setLabelFont(kMainWindowFont);
}

void TLabel::setCaption(std::string_view caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    autoSize();
    changed();
}

void TLabel::setColor(TColor colour)
{
    if (colour == m_color)
        return;
    m_color = colour;
    if (!m_transparent)
        changed();
}

void TLabel::setFontColor(TColor colour)
{
    if (colour == m_fontColor)
        return;
    m_fontColor = colour;
    changed();
}

void TLabel::setLabelFont(const FontSpec &font)
{
    if (m_font && font.face == m_fontSpec.face && font.pixelHeight == m_fontSpec.pixelHeight &&
        font.bold == m_fontSpec.bold && font.italic == m_fontSpec.italic)
        return;
    m_fontSpec = font;
    m_font = createFont(font);
    autoSize();
    changed();
}

void TLabel::setFontSize(int points)
{
    FontSpec font = m_fontSpec;
    font.pixelHeight = pointsToPixels(points);
    setLabelFont(font);
}

void TLabel::setTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    changed();
}

void TLabel::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    changed();
}

void TLabel::setLeft(int left)
{
    if (left == m_left)
        return;
    m_left = left;
    changed();
}

void TLabel::setTop(int top)
{
    if (top == m_top)
        return;
    m_top = top;
    changed();
}

void TLabel::autoSize()
{
    HDC dc = measuringDC();
    const Selected font(dc, m_font.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    m_lineHeight = metrics.tmHeight;
    m_layout = layoutLabel(
        m_caption,
        [dc](std::string_view line) {
            const std::wstring wide = widen(line);
            SIZE size{};
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
            return static_cast<int>(size.cx);
        },
        m_lineHeight, italicOverhang(m_fontSpec.italic, metrics.tmAscent));
    m_lines.clear();
    for (std::string_view line : m_layout.lines)
        m_lines.push_back(widen(line));
}

void TLabel::draw(HDC dc) const
{
    if (!m_visible)
        return;
    if (!m_transparent) {
        const RECT box{m_left, m_top, m_left + m_layout.width, m_top + m_layout.height};
        SetDCBrushColor(dc, toColorRef(m_color));
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
    const Selected font(dc, m_font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(m_fontColor));
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        TextOutW(dc, m_left + m_layout.lineLefts[i], m_top + static_cast<int>(i) * m_lineHeight,
                 m_lines[i].c_str(), static_cast<int>(m_lines[i].size()));
}
