// A windowless text control: sizes itself to its caption (left edge kept), centres each
// line within its width, paints its colour only when opaque. Setting a property to the
// value it already has does nothing, so frames can assign freely.
#pragma once

#include "colour.h"
#include "run.h"

#include <QImage>
#include <QStaticText>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TLabel : public QWidget, public RunLabel
{
public:
    explicit TLabel(QWidget *parent);

    const QString &Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    // The run's texts: converted only when the bytes differ from the last ones set.
    void setCaption(std::string_view caption) override;

    TColor Color() const { return m_color; }
    void setColor(TColor colour) override;

    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor colour) override;

    // Replaces the whole font (face, height, style).
    void setLabelFont(const QFont &font);
    // Size in points at 96 pixels per inch; the face and style stay.
    void setFontSize(int points) override;

    bool Transparent() const { return m_transparent; }
    void setTransparent(bool transparent) override;

    void setLeft(int left) override;
    void setTop(int top);

    void setVisible(bool visible) override;
    int width() const override { return QWidget::width(); }

    // For a view that draws the label into its own picture: Qt no longer paints the
    // label, and every change that shows is reported to `onChange` instead of asking Qt
    // for a repaint.
    void setComposited(std::function<void()> onChange);
    // The label as it looks, premultiplied ARGB (transparent where a transparent label
    // has no text), drawn again only when something it shows has changed.
    const QImage &composite();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void autoSize();
    void changed();
    void paintLabel(QPainter &painter);

    QString m_caption;
    std::string m_captionUtf8; // what the caption was converted from, while m_captionIsUtf8
    bool m_captionIsUtf8 = false;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clWindowText;
    bool m_transparent = false;
    std::vector<QStaticText> m_lines; // laid out once per caption or font change
    std::vector<int> m_lineLefts;     // each line's left edge, centred within the width
    int m_lineHeight = 0;
    int m_ascent = 0;
    std::uint64_t m_layout = 0; // counts caption and font changes

    std::function<void()> m_onChange;
    QImage m_composite;
    struct Look
    {
        std::uint64_t layout = ~std::uint64_t(0);
        TColor color = 0;
        TColor fontColor = 0;
        bool transparent = false;
        bool operator==(const Look &) const = default;
    } m_compositeLook;
};
