#include "shape.h"

#include "assign.h"
#include "qtcolour.h"

#include <QPainter>

TShape::TShape(QWidget *parent) : QWidget(parent) {}

void TShape::setBrushColor(TColor colour)
{
    if (assignIfChanged(m_brushColor, colour))
        update();
}

void TShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(toQColor(m_brushColor));
    painter.drawEllipse(0, 0, width() - 1, height() - 1);
}
