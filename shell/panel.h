// A panel control with a one-pixel raised bevel and an optional centred caption; used
// for the oval buttons and their frames. Reports presses, releases and clicks with the
// button coded left 0, right 1, middle 2 and the position relative to itself.
#pragma once

#include "colour.h"

#include <QWidget>

#include <functional>

enum class TMouseButton { Left = 0, Right = 1, Middle = 2 };

class TPanel : public QWidget
{
public:
    using MouseHandler = std::function<void(TPanel *sender, TMouseButton button, int x, int y)>;

    explicit TPanel(QWidget *parent);

    const QString &Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    TColor Color() const { return m_color; }
    void setColor(TColor colour);

    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor colour);

    void setLeft(int left);
    void setTop(int top);

    // Clips the control, painting and input, to the ellipse 2 pixels inside its edges.
    void setEllipticRegion();

    MouseHandler OnMouseDown;
    MouseHandler OnMouseUp;
    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_caption;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clWindowText;
};
