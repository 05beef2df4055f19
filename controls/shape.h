// An ellipse filled with one colour and outlined with a one-pixel black pen.
#pragma once

#include "colour.h"

#include <QWidget>

class TShape : public QWidget
{
public:
    explicit TShape(QWidget *parent);

    TColor BrushColor() const { return m_brushColor; }
    void setBrushColor(TColor colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TColor m_brushColor = clWhite;
};
