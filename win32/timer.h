// A window timer whose enabled state and interval change only when set to a new value: an
// equal assignment does not restart the count. Ticks arrive as WM_TIMER to its window.
#pragma once

#include "finishcontrols.h"
#include "winapi.h"

#include <functional>

// The id of each window's Timer1, its only timer.
constexpr UINT_PTR kTimer1Id = 1;

class TTimer
{
public:
    TTimer(HWND window, UINT_PTR id) : m_window(window), m_id(id) {}
    ~TTimer() { setEnabled(false); }
    TTimer(const TTimer &) = delete;
    TTimer &operator=(const TTimer &) = delete;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled)
    {
        if (enabled == m_enabled)
            return;
        m_enabled = enabled;
        if (enabled)
            SetTimer(m_window, m_id, static_cast<UINT>(m_interval), nullptr);
        else
            KillTimer(m_window, m_id);
    }
    int Interval() const { return m_interval; }
    void setInterval(int ms)
    {
        if (ms == m_interval)
            return;
        m_interval = ms;
        if (m_enabled)
            SetTimer(m_window, m_id, static_cast<UINT>(m_interval), nullptr);
    }
    UINT_PTR id() const { return m_id; }

    std::function<void()> OnTimer;

private:
    HWND m_window;
    UINT_PTR m_id;
    bool m_enabled = false;
    int m_interval = kBlinkIntervalMs; // the timer's default
};
