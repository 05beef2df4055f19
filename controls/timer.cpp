#include "timer.h"

#include "assign.h"
#include "guarded.h"

TTimer::TTimer(QObject *parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
}

void TTimer::setEnabled(bool enabled)
{
    if (assignIfChanged(m_enabled, enabled))
        restart();
}

void TTimer::setInterval(int ms)
{
    if (assignIfChanged(m_interval, ms))
        restart();
}

void TTimer::restart()
{
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

void TTimer::tick()
{
    if (OnTimer)
        guarded(OnTimer);
}
