// A panel control with a one-pixel raised bevel and an optional centred caption; used
// for the oval buttons and their frames. Reports presses, releases and clicks with the
// button coded left 0, right 1, middle 2 and the position relative to itself. A left press
// holds the mouse until the left button is released: when a popup takes the pointer
// meanwhile (the context menu opened by a right press), the release that goes to the popup
// ends it too. A press that ends without a release reaching the panel or a popup (the
// panel was hidden, the window lost activation or the pointer came back with the button
// up) is reported as a release there; either way without a click, so every left press ends
// once.
#pragma once

#include "colour.h"
#include "mousebutton.h"

#include <QWidget>

#include <functional>

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
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void endHeldPress();
    void watchForRelease(bool watch);

    bool m_leftHeld = false;
    bool m_watchingRelease = false; // a popup took the pointer during the held press
    QPoint m_pointer; // where the pointer last was during a held press, in our coordinates
    QString m_caption;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clWindowText;
};
