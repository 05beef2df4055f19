// What the program asks of an X11 desktop beyond what Qt offers. Off X11 (or in a build
// without libxcb) each does nothing.
#pragma once

#include <QByteArray>
#include <QMargins>

#include <optional>

class QWidget;

// Qt runs on an X server (xcb), directly or through XWayland.
bool onX11();

// Sets a text property of a window's X11 window, for programs that look at windows (xprop).
void setWindowTextProperty(QWidget *window, const char *name, const QByteArray &value);

// The frame a window manager will put around `window` once it shows, asked before it
// shows (_NET_REQUEST_FRAME_EXTENTS); nothing without a manager that answers in 500 ms.
std::optional<QMargins> announcedFrame(QWidget *window);
