#include "watch.h"

#include "environment.h"
#include "layout.h"
#include "presentreport.h"
#include "runstate.h"
#include "scorereader.h"

#include <QFile>
#include <QImage>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <chrono>
#include <cmath>
#include <map>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kWindowWidth = kMainWindowWidth; // Plovex's main window
constexpr int kWindowHeight = kMainWindowHeight;
constexpr auto kStartLimit = milliseconds(20000);  // for a window or a first line to show
constexpr auto kFinishLimit = milliseconds(20000); // past the 8.8 s a run lasts
constexpr auto kQuitLimit = milliseconds(5000);
// Plovex has finished when it has used no processor time for this long past 8.8 s.
constexpr auto kIdleAfterRun = milliseconds(250);
// How much earlier than 8.8 s after its window appeared a run can finish: the window is
// seen a little after it is made, and the run's clock starts a little after that.
constexpr auto kReportMargin = milliseconds(500);
constexpr auto kPoll = milliseconds(50);

[[noreturn]] void fail(const QString &why)
{
    throw std::runtime_error(why.toStdString());
}

// A window that vanishes while it is looked at, or one another client owns, is expected.
int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0;
}

Atom atom(Display *d, const char *name)
{
    return XInternAtom(d, name, False);
}

QByteArray property(Display *d, Window w, Atom name)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    QByteArray value;
    if (XGetWindowProperty(d, w, name, 0, 4096, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (format == 8)
            value = QByteArray(reinterpret_cast<const char *>(data), qsizetype(count));
        else if (format == 32 && count > 0)
            value = QByteArray::number(qulonglong(reinterpret_cast<unsigned long *>(data)[0]));
        XFree(data);
    }
    return value;
}

QString windowName(Display *d, Window w)
{
    QByteArray name = property(d, w, atom(d, "_NET_WM_NAME"));
    if (name.isEmpty())
        name = property(d, w, XA_WM_NAME);
    return QString::fromUtf8(name);
}

// utime + stime of a process in clock ticks, from /proc/PID/stat.
std::optional<long long> cpuTicks(pid_t pid)
{
    if (pid <= 0)
        return std::nullopt;
    QFile file(QString("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray stat = file.readAll();
    // The command name may hold spaces and parentheses; the fields follow the last ')'.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    return fields[11].toLongLong() + fields[12].toLongLong(); // fields 14 and 15 of stat
}

struct Sample
{
    Clock::time_point at;
    std::optional<long long> client, server;
    ProcessorTimes machine;
};

Sample sample(pid_t client, pid_t server)
{
    return {Clock::now(), cpuTicks(client), cpuTicks(server), processorTimes()};
}

// What the machine's processors did between two samples besides the program and the X
// server, in per cent of all cores; unknown when either's time is.
std::optional<double> otherBusyPercent(const Sample &from, const Sample &to)
{
    const double total = to.machine.total - from.machine.total;
    if (!from.client || !to.client || !from.server || !to.server || total <= 0)
        return std::nullopt;
    const double ours = double(*to.client - *from.client + *to.server - *from.server);
    const double other = std::max(0.0, to.machine.busy - from.machine.busy - ours);
    return std::round(other / total * 1000) / 10;
}

std::optional<double> microsecondsPerFrame(const std::optional<long long> &from,
                                           const std::optional<long long> &to, long long frames)
{
    if (!from || !to || frames <= 0)
        return std::nullopt;
    const double us = double(*to - *from) * 1e6 / double(sysconf(_SC_CLK_TCK)) / double(frames);
    return std::round(us * 10) / 10; // clock ticks are 10 ms: more digits would be noise
}

bool waitForEvent(Display *d, milliseconds limit)
{
    if (XPending(d))
        return true;
    pollfd pfd{ConnectionNumber(d), POLLIN, 0};
    poll(&pfd, 1, int(limit.count()));
    return XPending(d) > 0;
}

QString tail(const QByteArray &output)
{
    const QString text = QString::fromLocal8Bit(output).trimmed();
    return text.isEmpty() ? QString("no output") : text.right(300).replace('\n', " / ");
}

// The refresh rate of the primary output's mode, or of the first lit output's.
std::optional<double> refreshRate(Display *d)
{
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(d, &eventBase, &errorBase) || !XRRQueryVersion(d, &major, &minor) ||
        (major == 1 && minor < 2))
        return std::nullopt;
    const Window root = DefaultRootWindow(d);
    XRRScreenResources *res = XRRGetScreenResourcesCurrent(d, root);
    if (!res)
        return std::nullopt;
    std::vector<RROutput> outputs;
    if (const RROutput primary = XRRGetOutputPrimary(d, root))
        outputs.push_back(primary);
    outputs.insert(outputs.end(), res->outputs, res->outputs + res->noutput);
    std::optional<double> hz;
    for (const RROutput output : outputs) {
        XRROutputInfo *info = XRRGetOutputInfo(d, res, output);
        XRRCrtcInfo *crtc = info && info->crtc ? XRRGetCrtcInfo(d, res, info->crtc) : nullptr;
        for (int m = 0; crtc && crtc->mode && m < res->nmode; ++m) {
            const XRRModeInfo &mode = res->modes[m];
            if (mode.id != crtc->mode || !mode.dotClock || !mode.hTotal || !mode.vTotal)
                continue;
            double lines = mode.vTotal;
            if (mode.modeFlags & RR_DoubleScan)
                lines *= 2;
            if (mode.modeFlags & RR_Interlace)
                lines /= 2;
            hz = double(mode.dotClock) / (double(mode.hTotal) * lines);
        }
        if (crtc)
            XRRFreeCrtcInfo(crtc);
        if (info)
            XRRFreeOutputInfo(info);
        if (hz)
            break;
    }
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

// Plovex's main window among the windows created on the root: its size, and the process
// id it carries where it already carries one.
bool isPlovexWindow(Display *d, const XCreateWindowEvent &created, pid_t pid)
{
    if (created.width != kWindowWidth || created.height != kWindowHeight)
        return false;
    const QByteArray owner = property(d, created.window, atom(d, "_NET_WM_PID"));
    return owner.isEmpty() || owner.toLongLong() == pid;
}

QImage windowImage(Display *d, Window w)
{
    XImage *xi = XGetImage(d, w, 0, 0, kWindowWidth, kWindowHeight, AllPlanes, ZPixmap);
    if (!xi)
        return {};
    QImage image;
    if (xi->bits_per_pixel == 32 && xi->red_mask == 0xff0000 && xi->green_mask == 0xff00 &&
        xi->blue_mask == 0xff) {
        image = QImage(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
        for (int y = 0; y < kWindowHeight; ++y)
            std::memcpy(image.scanLine(y), xi->data + std::ptrdiff_t(y) * xi->bytes_per_line,
                        std::size_t(kWindowWidth) * 4);
    }
    XDestroyImage(xi);
    return image;
}

// "frames=52341 ms=8800.1 fps=5947.8 waited=120 cpu_us=80.1", as plovex-limit prints it.
std::map<QString, QString> presentReport(const QByteArray &value)
{
    std::map<QString, QString> fields;
    for (const QString &pair : QString::fromLatin1(value).split(' ', Qt::SkipEmptyParts))
        if (const qsizetype eq = pair.indexOf('='); eq > 0)
            fields[pair.left(eq)] = pair.mid(eq + 1);
    return fields;
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
    XFlush(d);
}

} // namespace

PrivateXvfb::PrivateXvfb()
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        fail("--xvfb needs Xvfb (Debian: apt-get install xvfb)");
    // -displayfd: the server picks a free display and writes its number to our pipe.
    m_server =
        std::make_unique<Child>(xvfb,
                                QStringList{"-displayfd", "1", "-screen", "0", "1280x1024x24",
                                            "-nolisten", "tcp", "-ac", "+extension", "SHAPE"},
                                QProcessEnvironment::systemEnvironment().toStringList());
    const auto deadline = Clock::now() + milliseconds(10000);
    const QRegularExpression number(R"(^(\d+)\s*$)", QRegularExpression::MultilineOption);
    while (Clock::now() < deadline) {
        m_server->readOutput(kPoll);
        if (const auto match = number.match(QString::fromLatin1(m_server->output()));
            match.hasMatch()) {
            m_display = ":" + match.captured(1);
            return;
        }
        if (const auto status = m_server->exitStatus())
            fail(QString("Xvfb ended with status %1: %2")
                     .arg(*status)
                     .arg(tail(m_server->output())));
    }
    fail("Xvfb did not start within 10 s: " + tail(m_server->output()));
}

Watcher openWatcher(const QString &display, const QStringList &environment)
{
    const QByteArray name = display.toLocal8Bit();
    Watcher w;
    w.display = XOpenDisplay(display.isEmpty() ? nullptr : name.constData());
    if (!w.display)
        fail(display.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY")
                 ? QString("no X display (DISPLAY is not set); --xvfb measures on a private one")
                 : QString("cannot open the X display %1").arg(XDisplayName(name.constData())));
    XSetErrorHandler(ignoreXErrors);
    w.environment = environment;
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ucred peer{};
    socklen_t peerLength = sizeof peer;
    const int fd = ConnectionNumber(w.display);
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0 &&
        address.ss_family == AF_UNIX &&
        getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &peerLength) == 0)
        w.serverPid = peer.pid;
    return w;
}

QStringList gatherDisplay(Environment &e, const Watcher &watcher)
{
    Display *d = watcher.display;
    QStringList warnings;
    e.platform = "xcb";
    QString program;
    if (watcher.serverPid > 0) {
        QFile comm(QString("/proc/%1/comm").arg(watcher.serverPid));
        if (comm.open(QIODevice::ReadOnly))
            program = QString::fromUtf8(comm.readAll()).trimmed() + ", ";
    }
    e.xServer = QString("%1%2 %3").arg(program, ServerVendor(d)).arg(VendorRelease(d));
    // Asked by name: the extension's own query complains on standard error when it is missing.
    int opcode = 0, event = 0, error = 0;
    e.mitShm = XQueryExtension(d, "MIT-SHM", &opcode, &event, &error);
    if (!e.mitShm)
        warnings.append("the X server offers no MIT-SHM (a remote display?): every frame "
                        "travels through the socket");

    const Window root = DefaultRootWindow(d);
    const QByteArray check = property(d, root, atom(d, "_NET_SUPPORTING_WM_CHECK"));
    const Window wm = Window(check.toULongLong());
    e.windowManager = wm ? windowName(d, wm) : QString();
    if (e.windowManager.isEmpty())
        e.windowManager = wm ? "unnamed" : "none";
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(d));
    const Window compositor = XGetSelectionOwner(d, atom(d, selection.constData()));
    e.compositor = compositor ? windowName(d, compositor) : "none";
    if (compositor && e.compositor.isEmpty())
        e.compositor = e.windowManager != "none" ? e.windowManager : "running, unnamed";

    e.screen = QString("%1x%2")
                   .arg(DisplayWidth(d, DefaultScreen(d)))
                   .arg(DisplayHeight(d, DefaultScreen(d)));
    e.refreshHz = refreshRate(d);
    e.scale = scaleSettings(xftDpi(d));
    return warnings;
}

PlovexRun measurePlovex(const QString &plovex, const Watcher &watcher, const SpriteSheets &sheets)
{
    Display *d = watcher.display;
    const Window root = DefaultRootWindow(d);
    // Watched before the start, so that the window's creation cannot be missed.
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);
    Child program(plovex, {}, watcher.environment);
    auto ended = [&](const char *when) {
        if (const auto status = program.exitStatus())
            fail(QString("Plovex ended %1 with status %2 (%3)")
                     .arg(when)
                     .arg(*status)
                     .arg(tail(program.output())));
    };

    // The run starts as its window is made: take the first processor times then.
    Window window = 0;
    Sample start;
    const auto appearBy = Clock::now() + kStartLimit;
    while (!window) {
        program.readOutput();
        ended("before its window appeared");
        if (Clock::now() > appearBy)
            fail("no Plovex window appeared within 20 s");
        if (!waitForEvent(d, kPoll))
            continue;
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == CreateNotify && isPlovexWindow(d, event.xcreatewindow, program.pid())) {
            start = sample(program.pid(), watcher.serverPid);
            window = event.xcreatewindow.window;
        }
    }
    XSelectInput(d, root, NoEventMask);
    const Atom present = atom(d, std::string(kPresentProperty).c_str());
    XSelectInput(d, window, PropertyChangeMask | StructureNotifyMask);
    XSync(d, False);

    // The finish: Plovex's report appears on the window, or, from a Plovex that does not
    // report, its processor time stops growing once the run's 8.8 s are over.
    Sample end, lastChange;
    bool finished = false;
    const auto runEnd = start.at + milliseconds(kFinishMs);
    while (!finished) {
        program.readOutput();
        ended("during its run");
        if (Clock::now() > runEnd + kFinishLimit)
            fail("Plovex's run did not finish within 20 s of its 8.8 s");
        if (waitForEvent(d, kPoll)) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
                const auto status = program.waitForExit(milliseconds(2000));
                fail(QString("Plovex's window went away during the run (%1; %2)")
                         .arg(status ? QString("status %1").arg(*status) : QString("still running"))
                         .arg(tail(program.output())));
            }
            // A report long before 8.8 s is not the finish's; the run goes on then.
            if (event.type == PropertyNotify && event.xproperty.atom == present &&
                event.xproperty.state == PropertyNewValue &&
                Clock::now() > runEnd - kReportMargin) {
                end = sample(program.pid(), watcher.serverPid);
                finished = true;
            }
            continue;
        }
        if (Clock::now() < runEnd)
            continue;
        const Sample now = sample(program.pid(), watcher.serverPid);
        if (!now.client)
            fail("cannot read Plovex's processor time from /proc");
        if (now.client != lastChange.client) {
            lastChange = now;
        } else if (now.at - lastChange.at >= kIdleAfterRun) {
            end = lastChange;
            finished = true;
        }
    }

    // The last frame reaches the window right after the finish; give it a moment.
    TileReading reading;
    const auto readBy = Clock::now() + milliseconds(3000);
    do {
        reading = readScoreTiles(windowImage(d, window), QPoint(0, 0), sheets);
        if (!reading.ok())
            std::this_thread::sleep_for(milliseconds(100));
    } while (!reading.ok() && Clock::now() < readBy);
    if (!reading.ok())
        fail("cannot read the score from Plovex's window (is it covered or off the screen?): " +
             QString::fromStdString(reading.problem));

    PlovexRun run;
    run.score = reading.score;
    const std::optional<PresentReport> report =
        PresentReport::parse(property(d, window, present).toStdString());
    run.presentPath = report ? QString::fromStdString(report->path) : QString("unknown");
    run.framesCounted = report.has_value();
    if (run.framesCounted) {
        run.frames = (long long)report->frames;
        const std::optional<int> score = scoreFromTiles(reading.score, run.frames);
        if (!score)
            fail(QString("the score on the screen, %1, does not fit the %2 frames Plovex "
                         "reported")
                     .arg(reading.score, 4, 10, QChar('0'))
                     .arg(run.frames));
        run.score = *score;
    } else {
        // Without the count, a score of 10000 or more reads as its lowest four digits.
        run.frames = std::llround(run.score * (kFinishMs / 1000.0));
    }
    if (report && report->waited)
        run.waited = (long long)*report->waited;
    run.plovexCpuUs = microsecondsPerFrame(start.client, end.client, run.frames);
    run.serverCpuUs = microsecondsPerFrame(start.server, end.server, run.frames);
    run.otherBusyPercent = otherBusyPercent(start, end);

    XSelectInput(d, window, NoEventMask);
    sendClose(d, window);
    const auto status = program.waitForExit(kQuitLimit);
    if (!status)
        fail("Plovex did not quit within 5 s of a close request");
    if (*status != 0)
        fail(QString("Plovex quit with status %1 (%2)").arg(*status).arg(tail(program.output())));
    return run;
}

LimitRun measureLimit(const QString &limit, const Watcher &watcher)
{
    Child program(limit, {}, watcher.environment);
    Sample start, end;
    bool started = false;
    const auto startBy = Clock::now() + kStartLimit;
    std::optional<QByteArray> result;
    while (!result) {
        program.readOutput(kPoll);
        if (!started && program.line("measuring")) {
            start = sample(program.pid(), watcher.serverPid);
            started = true;
        }
        if (started && (result = program.line("frames=")))
            end = sample(program.pid(), watcher.serverPid);
        if (result)
            break;
        if (const auto status = program.exitStatus()) {
            if (*status == 3)
                throw LimitUnavailable(tail(program.output()).toStdString());
            fail(QString("plovex-limit ended with status %1 (%2)")
                     .arg(*status)
                     .arg(tail(program.output())));
        }
        if (Clock::now() > (started ? start.at + milliseconds(kFinishMs) + kFinishLimit : startBy))
            fail("plovex-limit did not finish in time");
    }
    const auto status = program.waitForExit(kQuitLimit);
    if (status != 0)
        fail("plovex-limit failed after its run: " + tail(program.output()));

    std::map<QString, QString> fields = presentReport(*result);
    LimitRun run;
    run.fps = fields["fps"].toDouble();
    run.frames = fields["frames"].toLongLong();
    run.waited = fields["waited"].toLongLong();
    if (fields.contains("cpu_us"))
        run.clientCpuUs = fields["cpu_us"].toDouble();
    run.serverCpuUs = microsecondsPerFrame(start.server, end.server, run.frames);
    run.otherBusyPercent = otherBusyPercent(start, end);
    if (run.fps <= 0 || run.frames <= 0)
        fail("plovex-limit printed no figures: " + QString::fromLatin1(*result));
    return run;
}
