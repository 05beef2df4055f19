// A timer whose enabled state and interval change only when set to a new value: an
// equal assignment does not restart the count.
#pragma once

#include <QTimer>

#include <functional>

class TTimer : public QObject
{
public:
    explicit TTimer(QObject *parent);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    int Interval() const { return m_interval; }
    void setInterval(int ms);

    std::function<void()> OnTimer;

private:
    void restart();
    void tick();

    QTimer m_timer{this}; // a child, so that its count can be seen from outside
    bool m_enabled = false;
    int m_interval = 1000;
};
