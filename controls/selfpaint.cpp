#include "selfpaint.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QWidget>

namespace {

QWidget *pendingControl = nullptr;

} // namespace

namespace SelfPaint {

void mark(QWidget *control)
{
    pendingControl = control;
}

void clear(QWidget *control)
{
    if (pendingControl == control)
        pendingControl = nullptr;
}

bool deliver()
{
    QWidget *control = pendingControl;
    if (!control)
        return false;
    pendingControl = nullptr;
    // Made once: a fresh event would allocate its region on every frame. The control
    // paints all of itself, so the region is only what event filters see.
    static QPaintEvent event(control->rect());
    QCoreApplication::sendEvent(control, &event);
    return true;
}

} // namespace SelfPaint
