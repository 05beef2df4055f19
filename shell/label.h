// A windowless text control: sizes itself to its caption (left edge kept), centres each
// line within its width, paints its colour only when opaque. Setting a property to the
// value it already has does nothing, so frames can assign freely.
#pragma once

#include "colour.h"

#include <QStaticText>
#include <QWidget>

#include <vector>

class TLabel : public QWidget
{
public:
    explicit TLabel(QWidget *parent);

    const QString &Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    TColor Color() const { return m_color; }
    void setColor(TColor colour);

    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor colour);

    // Replaces the whole font (face, height, style).
    void setLabelFont(const QFont &font);
    // Size in points at 96 pixels per inch; the face and style stay.
    void setFontSize(int points);

    bool Transparent() const { return m_transparent; }
    void setTransparent(bool transparent);

    void setLeft(int left);
    void setTop(int top);

    // The caption's lines: CR LF, LF CR, and a lone CR or LF each break a line.
    static QStringList splitLines(const QString &caption);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void autoSize();

    QString m_caption;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clWindowText;
    bool m_transparent = false;
    std::vector<QStaticText> m_lines; // laid out once per caption or font change
    std::vector<int> m_lineWidths;
    int m_lineHeight = 0;
    int m_ascent = 0;
};
