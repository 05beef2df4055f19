// What plovex-bench and the end-to-end inspector both ask of X about a window another
// program owns: atoms, its properties and name, its picture, and a close request.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Xlib's own types, so that this header can come before Qt's (Xlib defines Bool and Status).
typedef struct _XDisplay Display;
typedef unsigned long Window;
typedef unsigned long Atom;

#include <vector>

namespace xwindow {

Atom atom(Display *d, const char *name);
// An 8-bit property's bytes; empty when the window has none or is gone.
QByteArray text(Display *d, Window w, Atom property);
// A 32-bit property's items (numbers, windows or atoms).
std::vector<unsigned long> numbers(Display *d, Window w, Atom property);
// _NET_WM_NAME, else WM_NAME.
QString name(Display *d, Window w);
// The window's top-left width x height as 32-bit RGB, or a null image when its pixels are
// not true colour. `kept`, when given, gets the bits of each channel the screen keeps
// (0xffffff at 24 bits, 0xf8fcf8 at 16): the rest of each channel reads as 0.
QImage image(Display *d, Window w, int width, int height, QRgb *kept = nullptr);
// WM_DELETE_WINDOW, as a desktop sends it when the user closes a window.
void sendClose(Display *d, Window w);
// From now on X errors end no request of this process: a window that vanishes while it is
// looked at, or one another client owns, is expected.
void ignoreErrors();

} // namespace xwindow
