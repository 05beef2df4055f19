#include "sound.h"

#include <QApplication>

namespace {

std::function<void(unsigned)> &beepHandler()
{
    static std::function<void(unsigned)> handler;
    return handler;
}

} // namespace

void MessageBeep(unsigned type)
{
    if (beepHandler())
        beepHandler()(type);
    else
        QApplication::beep();
}

void setBeepHandler(std::function<void(unsigned)> handler)
{
    beepHandler() = std::move(handler);
}
