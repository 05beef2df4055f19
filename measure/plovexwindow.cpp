#include "plovexwindow.h"

#include "layout.h"
#include "result.h"
#include "scorereader.h"
#include "xwindow.h"

#include <X11/Xlib.h>

#include <stdexcept>
#include <thread>

namespace {

using std::chrono::milliseconds;

// Plovex's main window among the windows created on the root: its size, and the process
// id it carries where it already carries one.
bool isPlovexWindow(Display *d, const XCreateWindowEvent &created, pid_t pid)
{
    if (created.width != kMainWindowWidth || created.height != kMainWindowHeight)
        return false;
    const auto owner = xwindow::numbers(d, created.window, xwindow::atom(d, "_NET_WM_PID"));
    return owner.empty() || pid_t(owner.front()) == pid;
}

} // namespace

Window awaitPlovexWindow(Display *d, Child &program, milliseconds limit)
{
    const auto by = std::chrono::steady_clock::now() + limit;
    for (;;) {
        program.readOutput();
        program.throwIfEnded("Plovex ended before its window appeared");
        if (std::chrono::steady_clock::now() > by)
            fail(QString("no Plovex window appeared within %1 s").arg(limit.count() / 1000));
        if (!xwindow::waitForEvent(d, kPoll))
            continue;
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == CreateNotify && isPlovexWindow(d, event.xcreatewindow, program.pid()))
            return event.xcreatewindow.window;
    }
}

std::optional<PresentReport> readPresentReport(Display *d, Window w)
{
    const Atom property = xwindow::atom(d, std::string(kPresentProperty).c_str());
    return PresentReport::parse(xwindow::text(d, w, property).toStdString());
}

int readScoreFromWindow(Display *d, Window w, const SpriteSheets &sheets)
{
    const auto by = std::chrono::steady_clock::now() + milliseconds(3000);
    for (;;) {
        QRgb kept = 0;
        const QImage image = xwindow::image(d, w, kMainWindowWidth, kMainWindowHeight, &kept);
        const TileReading reading = readScoreTiles(image, QPoint(0, 0), sheets, kept);
        if (reading.ok())
            return reading.score;
        if (std::chrono::steady_clock::now() > by)
            fail("cannot read the score from Plovex's window (is it covered or off the "
                 "screen?): " +
                 QString::fromStdString(reading.problem));
        std::this_thread::sleep_for(milliseconds(100));
    }
}

void closePlovex(Display *d, Window w, Child &program)
{
    XSelectInput(d, w, NoEventMask);
    xwindow::sendClose(d, w);
    const auto status = program.waitForExit(milliseconds(5000));
    if (!status)
        fail("Plovex did not quit within 5 s of a close request");
    if (*status != 0)
        fail(QString("Plovex quit with status %1 (%2)").arg(*status).arg(program.tail()));
}
