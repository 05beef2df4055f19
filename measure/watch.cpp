#include "watch.h"

#include "environment.h"
#include "layout.h"
#include "limitreport.h"
#include "presentreport.h"
#include "runstate.h"
#include "scorereader.h"
#include "xwindow.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

#include <X11/Xlib.h>

#include <cmath>
#include <poll.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kStartLimit = milliseconds(20000);  // for a server, a window or a first line
constexpr auto kFinishLimit = milliseconds(20000); // past the 8.8 s a run lasts
// How often a wait looks at the programs and the interrupt between the X events it awaits.
constexpr milliseconds kPoll{50};
// How much earlier than 8.8 s after its window appeared a run can finish: the window is
// seen a little after it is made, and the run's clock starts a little after that.
constexpr auto kReportMargin = milliseconds(500);

// A private Xvfb, 1280 x 1024 at 24 bits with SHAPE, as scripts/with-xvfb.sh starts one, on
// a free display number that the server picks and writes to our pipe. No pointer: Xvfb
// draws it itself and redraws it over every frame it overlaps, at a cost that depends on
// where it is and whether a program has made it show yet; without it every program is
// measured alike, as under a desktop's hardware pointer.
std::unique_ptr<Child> startXvfb(QString &display, std::optional<int> cpu)
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        fail("--xvfb needs Xvfb (Debian: apt-get install xvfb)");
    auto server = std::make_unique<Child>(
        xvfb,
        QStringList{"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-ac",
                    "+extension", "SHAPE", "-nocursor"},
        QProcessEnvironment::systemEnvironment().toStringList(), cpu);
    const QRegularExpression number(R"(^(\d+)\s*$)", QRegularExpression::MultilineOption);
    for (const auto by = Clock::now() + kStartLimit; Clock::now() < by;) {
        throwIfInterrupted();
        server->readOutput(kPoll);
        server->throwIfEnded("Xvfb ended");
        if (const auto match = number.match(QString::fromLatin1(server->output()));
            match.hasMatch()) {
            display = ":" + match.captured(1);
            return server;
        }
    }
    fail("Xvfb did not start within 20 s: " + server->tail());
}

// Plovex's main window among the windows created on the root: its size, and the process
// id it carries where it already carries one.
bool isPlovexWindow(Display *d, const XEvent &event, pid_t pid)
{
    const XCreateWindowEvent &created = event.xcreatewindow;
    if (event.type != CreateNotify || created.width != kMainWindowWidth ||
        created.height != kMainWindowHeight)
        return false;
    const auto owner = xwindow::numbers(d, created.window, xwindow::atom(d, "_NET_WM_PID"));
    return owner.empty() || pid_t(owner.front()) == pid;
}

// The run's score and frames from the tiles and the report: Plovex's count settles the
// digits above the four tiles.
PlovexRun runOf(int tiles, const PresentReport &report)
{
    PlovexRun run;
    run.framesCounted = true;
    run.presentPath = QString::fromStdString(report.path);
    run.frames = (long long)report.frames;
    if (report.waited)
        run.waited = (long long)*report.waited;
    if (const std::optional<double> us = report.waitUsPerFrame())
        run.waitUsPerFrame = std::round(*us * 10) / 10;
    const std::optional<int> score = scoreFromTiles(tiles, run.frames);
    if (!score)
        fail(QString("the score on the screen, %1, does not fit the %2 frames Plovex reported")
                 .arg(tiles, 4, 10, QChar('0'))
                 .arg(run.frames));
    run.score = *score;
    return run;
}

} // namespace

Session::Session(const MeasureOptions &o, std::function<void()> whileWaiting, BenchResult &r)
    : m_whileWaiting(std::move(whileWaiting))
{
    QString &refusal = r.oneCpuUnavailable;
    const std::vector<int> cpus = allowedCpus();
    m_cpu = cpus.empty() ? 0 : cpus.back();
    if (o.oneCpu || cpus.size() <= 1)
        m_runsCpu = m_cpu;
    if (cpus.size() <= 1)
        refusal = "plovex-bench has one processor: Plovex and the X server share it in "
                  "every run, and no hand-over between processors takes place";
    else if (o.oneCpu)
        refusal = "every run shares one processor (--one-cpu)";
    else if (!o.xvfb && !o.handover)
        refusal = "on the display in DISPLAY only with --handover, which moves its X "
                  "server to the limit's processor for those runs";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The score is read through X, so Plovex runs on X even in a Wayland session.
    env.insert("QT_QPA_PLATFORM", "xcb");
    QString display;
    if (o.xvfb) {
        m_xvfb = startXvfb(display, m_runsCpu);
        env.insert("DISPLAY", display);
        env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        env.remove("WAYLAND_DISPLAY");
    }
    m_environment = env.toStringList();
    const QByteArray name = display.toLocal8Bit();
    m_display = XOpenDisplay(display.isEmpty() ? nullptr : name.constData());
    if (!m_display)
        fail(!o.xvfb && qEnvironmentVariableIsEmpty("DISPLAY")
                 ? "no X display (DISPLAY is not set); --xvfb measures on a private one"
                 : "cannot open the X display " + QString(XDisplayName(name.constData())));
    xwindow::ignoreErrors();
    m_serverPid = serverProcess(m_display);
    if (!m_serverPid && refusal.isEmpty())
        refusal = "the X server is not a process of this machine";
    r.environment.display = o.xvfb ? "private Xvfb" : QString(DisplayString(m_display));
    r.environment.oneCpu = m_runsCpu.has_value();
    r.warnings += gatherDisplay(r.environment, m_display, m_serverPid);
}

Session::~Session()
{
    XCloseDisplay(m_display);
}

// The next X event, looking at the program and the interrupt while none comes. Throws when
// the program ends, or at `by` with `late`.
XEvent Session::nextEvent(Child &program, Clock::time_point by, const QString &late)
{
    for (;;) {
        heartbeat();
        program.readOutput();
        program.throwIfEnded("Plovex ended");
        if (Clock::now() > by)
            fail(late);
        pollfd pfd{ConnectionNumber(m_display), POLLIN, 0};
        if (XPending(m_display) || (poll(&pfd, 1, int(kPoll.count())) > 0 && XPending(m_display))) {
            XEvent event;
            XNextEvent(m_display, &event);
            return event;
        }
    }
}

PlovexRun Session::measurePlovex(const QString &plovex, const SpriteSheets &sheets)
{
    const Window root = DefaultRootWindow(m_display);
    // Watched before the start, so that the window's creation cannot be missed.
    XSelectInput(m_display, root, SubstructureNotifyMask);
    XSync(m_display, False);
    Child program(plovex, {}, m_environment, m_runsCpu);
    XEvent event;
    const auto startBy = Clock::now() + kStartLimit;
    do
        event = nextEvent(program, startBy, "no Plovex window appeared within 20 s");
    while (!isPlovexWindow(m_display, event, program.pid()));
    const Window window = event.xcreatewindow.window;
    // The run starts as its window is made: take the first processor times then.
    const Sample start = sample(program.pid(), m_serverPid);
    XSelectInput(m_display, root, NoEventMask);
    XSelectInput(m_display, window, PropertyChangeMask | StructureNotifyMask);
    XSync(m_display, False);

    // Plovex leaves its report on the window at the finish; one long before 8.8 s is not
    // the finish's, and the run goes on then.
    const Atom present = xwindow::atom(m_display, kPresentProperty.data());
    const auto runEnd = Clock::now() + milliseconds(kFinishMs);
    do {
        event = nextEvent(program, runEnd + kFinishLimit,
                          "Plovex's run did not finish within 20 s of its 8.8 s");
        if (event.type == DestroyNotify && event.xdestroywindow.window == window)
            fail("Plovex's window went away during the run (" + program.tail() + ")");
    } while (event.type != PropertyNotify || event.xproperty.atom != present ||
             event.xproperty.state != PropertyNewValue || Clock::now() < runEnd - kReportMargin);
    const Sample end = sample(program.pid(), m_serverPid);

    const QByteArray text = xwindow::text(m_display, window, present);
    const std::optional<PresentReport> report = PresentReport::parse(text.toStdString());
    if (!report)
        fail("Plovex left no report of its frames on its window: \"" + text + "\"");
    PlovexRun run = runOf(readScore(window, sheets), *report);
    run.plovexCpuUs = microsecondsPerFrame(start.client, end.client, run.frames);
    run.serverCpuUs = microsecondsPerFrame(start.server, end.server, run.frames);
    run.otherBusyPercent = otherBusyPercent(start, end);

    // The close request a desktop sends, and a clean quit.
    XSelectInput(m_display, window, NoEventMask);
    xwindow::sendClose(m_display, window);
    if (const auto status = program.waitForExit(milliseconds(5000)); status != 0)
        fail(status ? QString("Plovex quit with status %1 (%2)").arg(*status).arg(program.tail())
                    : QString("Plovex did not quit within 5 s of a close request"));
    return run;
}

// The score on the digit tiles, giving the last frame up to 3 s to reach the window.
int Session::readScore(Window window, const SpriteSheets &sheets)
{
    for (const auto by = Clock::now() + milliseconds(3000);;) {
        heartbeat();
        QRgb kept = 0;
        const QImage image =
            xwindow::image(m_display, window, kMainWindowWidth, kMainWindowHeight, &kept);
        const TileReading reading = readScoreTiles(image, QPoint(0, 0), sheets, kept);
        if (reading.ok())
            return reading.score;
        if (Clock::now() > by)
            fail("cannot read the score from Plovex's window (is it covered or off the "
                 "screen?): " +
                 QString::fromStdString(reading.problem));
        std::this_thread::sleep_for(milliseconds(100));
    }
}

LimitRun Session::measureLimit(const QString &limit, bool oneCpu)
{
    // The server joins the limit program on its processor for this run alone.
    std::optional<PinnedProcess> pinned;
    try {
        if (oneCpu && !m_runsCpu)
            pinned.emplace(m_serverPid, m_cpu);
    } catch (const std::runtime_error &e) {
        throw LimitUnavailable(e.what());
    }
    Child program(limit, {}, m_environment, oneCpu ? std::optional(m_cpu) : m_runsCpu);
    // Its first line as the timed loop starts, and its report as the loop ends.
    const auto awaitLine = [&](std::string_view prefix, Clock::time_point by) {
        for (;;) {
            heartbeat();
            program.readOutput(kPoll);
            const std::optional<int> status = program.exitStatus(); // with the last output
            if (const auto line = program.line(prefix.data()))
                return *line;
            if (status == int(LimitStatus::Unavailable))
                throw LimitUnavailable(program.tail().toStdString());
            program.throwIfEnded("plovex-limit ended");
            if (Clock::now() > by)
                fail("plovex-limit did not finish in time");
        }
    };
    awaitLine(kLimitStarted, Clock::now() + kStartLimit);
    const Sample start = sample(program.pid(), m_serverPid);
    const QByteArray line =
        awaitLine(kLimitReported, start.at + milliseconds(kFinishMs) + kFinishLimit);
    const Sample end = sample(program.pid(), m_serverPid);
    pinned.reset();
    const std::optional<LimitReport> report = LimitReport::parse(line.toStdString());
    if (!report)
        fail("plovex-limit's report cannot be read: " + QString::fromLatin1(line));
    if (program.waitForExit(milliseconds(5000)) != int(LimitStatus::Measured))
        fail("plovex-limit failed after its run: " + program.tail());
    return {std::round(report->fps() * 10) / 10,
            report->frames,
            report->waited,
            report->cpuUs,
            microsecondsPerFrame(start.server, end.server, report->frames),
            otherBusyPercent(start, end),
            report->drawUs,
            report->waitUs};
}
