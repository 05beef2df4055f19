#include "application.h"

#include "guard.h"

TApplication *Application = nullptr;

void reportError(std::string_view message)
{
    if (Application)
        Application->ShowException(message);
}

TApplication::TApplication()
{
    Application = this;
}

TApplication::~TApplication()
{
    if (Application == this)
        Application = nullptr;
}

int TApplication::Run()
{
    MSG message;
    for (;;) {
        // Messages first; a frame is drawn only once the queue is empty. The repaint of
        // the frame comes up here as WM_PAINT once nothing else is queued.
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return static_cast<int>(message.wParam);
            TranslateMessage(&message);
            DispatchMessageW(&message);
            continue;
        }
        Idle();
    }
}

void TApplication::Idle()
{
    bool done = true;
    if (m_onIdle)
        guarded([&] { m_onIdle(this, done); });
    // A frame drawn in this pass has invalidated the window, so the wait returns at once
    // and that repaint is what gets handled next.
    if (done)
        WaitMessage();
}

void TApplication::ShowException(std::string_view message) const
{
    MessageBoxW(m_mainWindow, widen(message).c_str(), m_title.c_str(), MB_OK | MB_ICONERROR);
}
