#include "label.h"

#include "fonts.h"

#include <algorithm>
#include <stdexcept>

namespace {

// A device context like the screen's, to measure text in.
HDC measuringDC()
{
    static const MemoryDC dc(CreateCompatibleDC(nullptr));
    return dc.get();
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
    // Moved, it looks the same: the picture stays.
    if (m_changed)
        m_changed();
}

void TLabel::setTop(int top)
{
    if (top == m_top)
        return;
    m_top = top;
    // Moved, it looks the same: the picture stays.
    if (m_changed)
        m_changed();
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

void TLabel::drawText(HDC dc, int left, int top) const
{
    const Selected font(dc, m_font.get());
    SetBkMode(dc, TRANSPARENT);
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        TextOutW(dc, left + m_layout.lineLefts[i], top + static_cast<int>(i) * m_lineHeight,
                 m_lines[i].c_str(), static_cast<int>(m_lines[i].size()));
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
    SetTextColor(dc, toColorRef(m_fontColor));
    drawText(dc, m_left, m_top);
}

void TLabel::drawPicture()
{
    const int w = std::max(m_layout.width, 1), h = std::max(m_layout.height, 1);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    m_picture.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_picturePixels = static_cast<std::uint32_t *>(bits);
    if (!m_picturePixels)
        throw std::runtime_error("cannot create a label's picture");
    const MemoryDC memory(CreateCompatibleDC(nullptr));
    const HDC dc = memory.get();
    const Selected picture(dc, m_picture.get());
    const std::size_t count = std::size_t(w) * std::size_t(h);
    if (m_transparent) {
        // GDI draws no alpha: white text on black gives each pixel's coverage, and the
        // picture is the font colour at that coverage, premultiplied.
        std::fill_n(m_picturePixels, count, 0u);
        SetTextColor(dc, RGB(255, 255, 255));
        drawText(dc, 0, 0);
        GdiFlush();
        const COLORREF ink = toColorRef(m_fontColor);
        const std::uint32_t r = GetRValue(ink), g = GetGValue(ink), b = GetBValue(ink);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t p = m_picturePixels[i];
            const std::uint32_t a = std::max({(p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu});
            m_picturePixels[i] = a << 24 | (r * a + 127) / 255 << 16 | (g * a + 127) / 255 << 8 |
                                 (b * a + 127) / 255;
        }
    } else {
        const RECT box{0, 0, w, h};
        SetDCBrushColor(dc, toColorRef(m_color));
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        SetTextColor(dc, toColorRef(m_fontColor));
        drawText(dc, 0, 0);
        GdiFlush();
        for (std::size_t i = 0; i < count; ++i)
            m_picturePixels[i] |= 0xFF000000u;
    }
    m_overlay.setPicture({m_picturePixels, w, h, w});
    m_pictureStale = false;
}

void TLabel::composeInto(std::uint32_t *field, int fieldWidth, int fieldHeight)
{
    if (!m_visible)
        return;
    if (m_pictureStale)
        drawPicture();
    m_overlay.blendOver(field, fieldWidth, fieldHeight, m_left, m_top);
}
