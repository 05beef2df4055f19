// The application object: its title, the one idle-hook slot, and the program's event
// loop, which paces the benchmark's frames: messages first, and only when the queue is
// empty one idle pass, then a wait for the next message (the frame's repaint).
#pragma once

#include "winapi.h"

#include <functional>
#include <string>

class TApplication
{
public:
    // Called once per idle pass with the done flag; the loop waits afterwards while it is true.
    using IdleHandler = std::function<void(TApplication *sender, bool &done)>;

    TApplication();
    ~TApplication();

    const std::wstring &Title() const { return m_title; }
    void setTitle(std::wstring title) { m_title = std::move(title); }

    // There is one slot: installing a handler replaces the previous one.
    void setOnIdle(IdleHandler handler) { m_onIdle = std::move(handler); }

    // The window that owns the error boxes; the first main window closed ends the loop.
    void setMainWindow(HWND window) { m_mainWindow = window; }

    // Runs loop steps until the quit message has been taken; returns its exit code.
    int Run();

    // Shows an error that escaped a handler, captioned with the title; the program goes on.
    void ShowException(std::string_view message) const;

private:
    void Idle();

    std::wstring m_title;
    IdleHandler m_onIdle;
    HWND m_mainWindow = nullptr;
};

// The one application object, as the program's handlers reach it.
extern TApplication *Application;
