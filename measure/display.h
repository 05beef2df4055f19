// The X display plovex-bench measures on, watched from outside: the connection it watches
// through, the server's process, and the display's facts that change scores.
#pragma once

#include "result.h"
#include "xwindow.h"

#include <QStringList>

struct Watcher
{
    Display *display = nullptr;
    pid_t serverPid = 0;     // 0 when the server is not a local process
    QStringList environment; // for the programs started, "NAME=value"
};

// Connects to `display` (empty: $DISPLAY) and finds the X server's process from the peer
// of the connection's local socket. Throws std::runtime_error when it cannot connect.
Watcher openWatcher(const QString &display, const QStringList &environment);

// Fills the display's fields of `e` (server, MIT-SHM, window manager, compositor, screen,
// refresh rate, scale) and returns warnings about it.
QStringList gatherDisplay(Environment &e, const Watcher &watcher);
