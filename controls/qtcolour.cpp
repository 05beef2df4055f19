#include "qtcolour.h"

#include <QApplication>
#include <QPalette>

QColor toQColor(TColor colour)
{
    if (!isSystemColour(colour))
        return QColor::fromRgb(0xFF000000u | colour);
    const QPalette palette = QApplication::palette();
    switch (colour) {
    case clActiveBorder:
        return palette.color(QPalette::Active, QPalette::Window);
    case clWindowText:
        return palette.color(QPalette::WindowText);
    case clBtnFace:
        return palette.color(QPalette::Button);
    case clBtnShadow:
        return palette.color(QPalette::Dark);
    case clBtnHighlight:
        return palette.color(QPalette::Light);
    case clInfoBk:
        return palette.color(QPalette::ToolTipBase);
    default:
        return palette.color(QPalette::Window);
    }
}
