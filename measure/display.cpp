#include "display.h"

#include "environment.h"
#include "xwindow.h"

#include <QFile>
#include <QRegularExpression>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <sys/socket.h>

namespace {

// The refresh rate of the output that shows the screen's centre, where Plovex opens its
// window, when its mode has timings.
std::optional<double> refreshRate(Display *d)
{
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(d, &eventBase, &errorBase) || !XRRQueryVersion(d, &major, &minor) ||
        (major == 1 && minor < 3))
        return std::nullopt;
    const int x = DisplayWidth(d, DefaultScreen(d)) / 2, y = DisplayHeight(d, DefaultScreen(d)) / 2;
    XRRScreenResources *res = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
    std::optional<double> hz;
    for (int c = 0; res && c < res->ncrtc && !hz; ++c) {
        XRRCrtcInfo *crtc = XRRGetCrtcInfo(d, res, res->crtcs[c]);
        const bool shows = crtc && crtc->mode && x >= crtc->x && y >= crtc->y &&
                           x < crtc->x + int(crtc->width) && y < crtc->y + int(crtc->height);
        for (int m = 0; shows && m < res->nmode; ++m) {
            const XRRModeInfo &mode = res->modes[m];
            const double scans = mode.modeFlags & RR_DoubleScan ? 2 : 1;
            const double fields = mode.modeFlags & RR_Interlace ? 2 : 1;
            if (mode.id == crtc->mode && mode.dotClock && mode.hTotal && mode.vTotal)
                hz = double(mode.dotClock) * fields / (double(mode.hTotal) * mode.vTotal * scans);
        }
        if (crtc)
            XRRFreeCrtcInfo(crtc);
    }
    if (res)
        XRRFreeScreenResources(res);
    return hz;
}

QString xftDpi(Display *d)
{
    const char *resources = XResourceManagerString(d);
    const QRegularExpression dpi(R"(^Xft\.dpi:\s*(\S+))", QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = dpi.match(QString::fromUtf8(resources ? resources : ""));
    return match.hasMatch() ? match.captured(1) : QString();
}

// The window manager's and the compositing manager's names, or "none".
void gatherManagers(Environment &e, Display *d)
{
    using namespace xwindow;
    const auto check = numbers(d, DefaultRootWindow(d), atom(d, "_NET_SUPPORTING_WM_CHECK"));
    const Window wm = check.empty() ? 0 : Window(check.front());
    e.windowManager = wm ? name(d, wm) : QString();
    if (e.windowManager.isEmpty())
        e.windowManager = wm ? "unnamed" : "none";
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(d));
    const Window compositor = XGetSelectionOwner(d, atom(d, selection.constData()));
    e.compositor = compositor ? name(d, compositor) : "none";
    if (compositor && e.compositor.isEmpty())
        e.compositor = e.windowManager != "none" ? e.windowManager : "running, unnamed";
}

} // namespace

pid_t serverProcess(Display *d)
{
    // Only a local socket has a peer process; over TCP the query fails.
    ucred peer{};
    socklen_t length = sizeof peer;
    return getsockopt(ConnectionNumber(d), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 ? peer.pid
                                                                                         : 0;
}

QStringList gatherDisplay(Environment &e, Display *d, pid_t serverPid)
{
    QStringList warnings;
    e.platform = "xcb";
    QString program;
    if (QFile comm(QString("/proc/%1/comm").arg(serverPid));
        serverPid > 0 && comm.open(QIODevice::ReadOnly))
        program = QString::fromUtf8(comm.readAll()).trimmed() + ", ";
    e.xServer = QString("%1%2 %3").arg(program, ServerVendor(d)).arg(VendorRelease(d));
    // Asked by name: the extension's own query complains on standard error when it is missing.
    int opcode = 0, event = 0, error = 0;
    e.mitShm = XQueryExtension(d, "MIT-SHM", &opcode, &event, &error);
    if (!e.mitShm)
        warnings.append("the X server offers no MIT-SHM (a remote display?): every frame "
                        "travels through the socket");
    gatherManagers(e, d);
    e.screen = QString("%1x%2")
                   .arg(DisplayWidth(d, DefaultScreen(d)))
                   .arg(DisplayHeight(d, DefaultScreen(d)));
    e.depth = DefaultDepth(d, DefaultScreen(d));
    e.refreshHz = refreshRate(d);
    e.scale = scaleSettings(xftDpi(d));
    return warnings;
}
