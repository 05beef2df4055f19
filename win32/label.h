// A windowless text control: sizes itself to its caption (left edge kept), centres each
// line within its width, fills its colour only when opaque. Setting a property to the
// value it already has does nothing, so frames can assign freely. The main window composes
// it into the field's pixels before each put (the same overlay code as every presenter);
// the score table draws it on its window.
#pragma once

#include "faces.h"
#include "labeltext.h"
#include "overlay.h"
#include "run.h"
#include "winapi.h"

#include <functional>
#include <string>
#include <vector>

class TLabel final : public RunLabel
{
public:
    // `changed` is told whenever something the label shows has changed.
    explicit TLabel(std::function<void()> changed);

    const std::string &Caption() const { return m_caption; }
    void setCaption(std::string_view caption) override;

    TColor Color() const { return m_color; }
    void setColor(TColor colour) override;
    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor colour) override;

    // Replaces the whole font (face, height, style).
    void setLabelFont(const FontSpec &font);
    // Size in points at 96 pixels per inch; face and style stay.
    void setFontSize(int points) override;

    bool Transparent() const { return m_transparent; }
    void setTransparent(bool transparent) override;
    bool Visible() const { return m_visible; }
    void setVisible(bool visible) override;

    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const override { return m_layout.width; }
    int height() const { return m_layout.height; }
    void setLeft(int left) override;
    void setTop(int top);

    // Draws the label at its place in `dc`, if it is visible.
    void draw(HDC dc) const;
    // Blends the label, if it is visible, over the field's opaque pixels at its place. Its
    // picture is drawn again only after something it shows has changed.
    void composeInto(std::uint32_t *field, int fieldWidth, int fieldHeight);

private:
    void autoSize();
    void changed()
    {
        m_pictureStale = true;
        if (m_changed)
            m_changed();
    }
    void drawPicture();
    void drawText(HDC dc, int left, int top) const;

    std::function<void()> m_changed;
    std::string m_caption;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clWindowText;
    bool m_transparent = false;
    bool m_visible = true;
    int m_left = 0;
    int m_top = 0;
    FontSpec m_fontSpec{kMainWindowFont};
    GdiObject<HFONT> m_font;
    LabelLayout m_layout;
    std::vector<std::wstring> m_lines; // the laid-out lines, as GDI takes them
    int m_lineHeight = 0;

    // The label as it looks, premultiplied 0xAARRGGBB, and the overlay that blends it.
    GdiObject<HBITMAP> m_picture;
    std::uint32_t *m_picturePixels = nullptr;
    bool m_pictureStale = true;
    Overlay m_overlay;
};
