#include "xwindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>

namespace xwindow {

namespace {

// The property's data when it has the given format; the caller frees it with XFree.
unsigned char *property(Display *d, Window w, Atom name, int wanted, unsigned long &count)
{
    Atom type = None;
    int format = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, w, name, 0, 4096, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) != Success)
        return nullptr;
    if (data && format != wanted) {
        XFree(data);
        return nullptr;
    }
    return data;
}

} // namespace

Atom atom(Display *d, const char *name)
{
    return XInternAtom(d, name, False);
}

QByteArray text(Display *d, Window w, Atom name)
{
    unsigned long count = 0;
    unsigned char *data = property(d, w, name, 8, count);
    const QByteArray value(reinterpret_cast<const char *>(data), data ? qsizetype(count) : 0);
    if (data)
        XFree(data);
    return value;
}

std::vector<unsigned long> numbers(Display *d, Window w, Atom name)
{
    unsigned long count = 0;
    unsigned char *data = property(d, w, name, 32, count);
    if (!data)
        return {};
    // Xlib hands 32-bit items over as longs.
    const auto *items = reinterpret_cast<const unsigned long *>(data);
    std::vector<unsigned long> values(items, items + count);
    XFree(data);
    return values;
}

QString name(Display *d, Window w)
{
    QByteArray name = text(d, w, atom(d, "_NET_WM_NAME"));
    if (name.isEmpty())
        name = text(d, w, XA_WM_NAME);
    return QString::fromUtf8(name);
}

QImage image(Display *d, Window w, int width, int height, QRgb *kept)
{
    XImage *xi = XGetImage(d, w, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!xi)
        return {};
    const unsigned long masks[3] = {xi->red_mask, xi->green_mask, xi->blue_mask};
    QImage image;
    QRgb bits = 0;
    if (masks[0] && masks[1] && masks[2]) {
        // Any true-colour layout (24 bits, 16...): each channel's bits at the top of a byte.
        image = QImage(width, height, QImage::Format_RGB32);
        for (int c = 0; c < 3; ++c)
            bits |= QRgb(0xff00 >> std::min(8, std::popcount(masks[c])) & 0xff) << (16 - 8 * c);
        for (int y = 0; y < height; ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const unsigned long pixel = XGetPixel(xi, x, y);
                QRgb rgb = 0;
                for (int c = 0; c < 3; ++c) {
                    const int n = std::popcount(masks[c]);
                    const unsigned long v = (pixel & masks[c]) >> std::countr_zero(masks[c]);
                    rgb |= QRgb(n >= 8 ? v >> (n - 8) : v << (8 - n)) << (16 - 8 * c);
                }
                row[x] = 0xff000000 | rgb;
            }
        }
    }
    XDestroyImage(xi);
    if (kept)
        *kept = bits;
    return image;
}

void sendClose(Display *d, Window w)
{
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = atom(d, "WM_PROTOCOLS");
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(atom(d, "WM_DELETE_WINDOW"));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &ev);
    XSync(d, False);
}

void ignoreErrors()
{
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
}

} // namespace xwindow
