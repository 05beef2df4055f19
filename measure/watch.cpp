#include "watch.h"

#include "cputime.h"
#include "plovexwindow.h"
#include "result.h"
#include "runstate.h"
#include "scorereader.h"
#include "xwindow.h"

#include <X11/Xlib.h>

#include <cmath>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kStartLimit = milliseconds(20000);  // for a window or a first line to show
constexpr auto kFinishLimit = milliseconds(20000); // past the 8.8 s a run lasts
// Plovex has finished when it has used no processor time for this long past 8.8 s.
constexpr auto kIdleAfterRun = milliseconds(250);
// How much earlier than 8.8 s after its window appeared a run can finish: the window is
// seen a little after it is made, and the run's clock starts a little after that.
constexpr auto kReportMargin = milliseconds(500);
constexpr int kLimitBadUse = 2;      // plovex-limit's status for arguments it does not take
constexpr int kLimitUnavailable = 3; // and when the display cannot take its images

// Watches a started run's window until its finish: the report appearing on the window, or,
// from a Plovex that does not report, its processor time no longer growing past 8.8 s.
Sample awaitFinish(Display *d, Window window, Child &program, const Watcher &watcher,
                   const Sample &start)
{
    const Atom present = xwindow::atom(d, std::string(kPresentProperty).c_str());
    const auto runEnd = start.at + milliseconds(kFinishMs);
    Sample lastChange;
    for (;;) {
        program.readOutput();
        program.throwIfEnded("Plovex ended during its run");
        if (Clock::now() > runEnd + kFinishLimit)
            fail("Plovex's run did not finish within 20 s of its 8.8 s");
        if (xwindow::waitForEvent(d, kPoll)) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
                const auto status = program.waitForExit(milliseconds(2000));
                fail(QString("Plovex's window went away during the run (%1; %2)")
                         .arg(status ? QString("status %1").arg(*status) : "still running")
                         .arg(program.tail()));
            }
            // A report long before 8.8 s is not the finish's; the run goes on then.
            if (event.type == PropertyNotify && event.xproperty.atom == present &&
                event.xproperty.state == PropertyNewValue && Clock::now() > runEnd - kReportMargin)
                return sample(program.pid(), watcher.serverPid);
            continue;
        }
        if (Clock::now() < runEnd)
            continue;
        const Sample now = sample(program.pid(), watcher.serverPid);
        if (!now.client)
            fail("cannot read Plovex's processor time from /proc");
        if (now.client != lastChange.client)
            lastChange = now;
        else if (now.at - lastChange.at >= kIdleAfterRun)
            return lastChange;
    }
}

// The run's score and frames from the tiles and the report: with Plovex's count the
// digits above the tiles are settled, without it a score of 10000 or more reads as its
// lowest four digits.
void scoreAndFrames(PlovexRun &run, int tiles, const std::optional<PresentReport> &report)
{
    run.score = tiles;
    run.framesCounted = report.has_value();
    if (!report) {
        run.presentPath = "unknown";
        run.frames = std::llround(tiles * (kFinishMs / 1000.0));
        return;
    }
    run.presentPath = QString::fromStdString(report->path);
    run.frames = (long long)report->frames;
    if (report->waited)
        run.waited = (long long)*report->waited;
    if (const std::optional<double> us = report->waitUsPerFrame())
        run.waitUsPerFrame = std::round(*us * 10) / 10;
    const std::optional<int> score = scoreFromTiles(tiles, run.frames);
    if (!score)
        fail(QString("the score on the screen, %1, does not fit the %2 frames Plovex reported")
                 .arg(tiles, 4, 10, QChar('0'))
                 .arg(run.frames));
    run.score = *score;
}

} // namespace

PlovexRun measurePlovex(const QString &plovex, const Watcher &watcher, const SpriteSheets &sheets)
{
    Display *d = watcher.display;
    const Window root = DefaultRootWindow(d);
    // Watched before the start, so that the window's creation cannot be missed.
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);
    Child program(plovex, {}, watcher.environment);
    const Window window = awaitPlovexWindow(d, program, kStartLimit);
    // The run starts as its window is made: take the first processor times then.
    const Sample start = sample(program.pid(), watcher.serverPid);
    XSelectInput(d, root, NoEventMask);
    XSelectInput(d, window, PropertyChangeMask | StructureNotifyMask);
    XSync(d, False);
    const Sample end = awaitFinish(d, window, program, watcher, start);

    PlovexRun run;
    scoreAndFrames(run, readScoreFromWindow(d, window, sheets), readPresentReport(d, window));
    run.plovexCpuUs = microsecondsPerFrame(start.client, end.client, run.frames);
    run.serverCpuUs = microsecondsPerFrame(start.server, end.server, run.frames);
    run.otherBusyPercent = otherBusyPercent(start, end);
    closePlovex(d, window, program);
    return run;
}

LimitRun measureLimit(const QString &limit, const Watcher &watcher, bool pipelined)
{
    const QString name = pipelined ? "plovex-limit --pipeline" : "plovex-limit";
    Child program(limit, pipelined ? QStringList{"--pipeline"} : QStringList{},
                  watcher.environment);
    std::optional<Sample> start;
    Sample end;
    const auto startBy = Clock::now() + kStartLimit;
    std::optional<QByteArray> result;
    for (;;) {
        program.readOutput(kPoll);
        if (!start && program.line("measuring"))
            start = sample(program.pid(), watcher.serverPid);
        if (start && (result = program.line("frames="))) {
            end = sample(program.pid(), watcher.serverPid);
            break;
        }
        if (const auto status = program.exitStatus()) {
            if (*status == kLimitUnavailable)
                throw LimitUnavailable(program.tail().toStdString());
            if (*status == kLimitBadUse && pipelined) // one from before the serial limit
                throw LimitUnavailable("this plovex-limit takes no --pipeline");
            fail(
                QString("%1 ended with status %2 (%3)").arg(name).arg(*status).arg(program.tail()));
        }
        if (Clock::now() > (start ? start->at + milliseconds(kFinishMs) + kFinishLimit : startBy))
            fail(name + " did not finish in time");
    }
    if (program.waitForExit(milliseconds(5000)) != 0)
        fail(name + " failed after its run: " + program.tail());

    LimitRun run;
    double ms = 0, cpuUs = 0;
    if (std::sscanf(result->constData(), "frames=%lld ms=%lf fps=%lf waited=%lld cpu_us=%lf",
                    &run.frames, &ms, &run.fps, &run.waited, &cpuUs) == 5)
        run.clientCpuUs = cpuUs;
    run.serverCpuUs = microsecondsPerFrame(start->server, end.server, run.frames);
    run.otherBusyPercent = otherBusyPercent(*start, end);
    if (run.fps <= 0 || run.frames <= 0)
        fail(name + " printed no figures: " + QString::fromLatin1(*result));
    return run;
}
