// Starts a program and watches it from outside through the X server: how long from the
// process start until its first 512 x 293 window shows pixels, and the peak resident
// memory of the whole process when it ends. The program is not told it is watched.
//
//   plovex-probe PROGRAM [ARGS...]
//
// Prints "window=0x...", then "startup_ms=..." when the first frame reaches the
// window, and "peak_rss_kb=... status=..." when the program has ended. Exits with the
// program's status (1 with no report when it could not be watched).
#include "layout.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>

namespace {

constexpr int kWindowWidth = kMainWindowWidth;
constexpr int kWindowHeight = kMainWindowHeight;
// The first damage must cover most of the window: a full frame, not a stray rectangle.
constexpr int kMinFirstArea = kWindowWidth * kWindowHeight / 2;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int ignoreXErrors(Display *, XErrorEvent *)
{
    return 0; // a window can vanish between its creation and our damage request
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fputs("usage: plovex-probe PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("plovex-probe: cannot open the display\n", stderr);
        return 1;
    }
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fputs("plovex-probe: the X server has no DAMAGE extension\n", stderr);
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    const Window root = DefaultRootWindow(display);
    // Selected before the program starts, so its window's creation cannot be missed.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("plovex-probe: fork");
        return 1;
    }
    if (child == 0) {
        close(ConnectionNumber(display));
        execvp(argv[1], argv + 1);
        std::perror("plovex-probe: exec");
        _exit(127);
    }

    Damage damage = 0;
    bool reported = false;
    int status = 0;
    rusage usage{};
    const int fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && !damage &&
                event.xcreatewindow.width == kWindowWidth &&
                event.xcreatewindow.height == kWindowHeight) {
                damage =
                    XDamageCreate(display, event.xcreatewindow.window, XDamageReportBoundingBox);
                std::printf("window=0x%lx\n", event.xcreatewindow.window);
                std::fflush(stdout);
            } else if (event.type == damageEvent + XDamageNotify && !reported) {
                const auto &notify = reinterpret_cast<const XDamageNotifyEvent &>(event);
                if (notify.area.width * notify.area.height >= kMinFirstArea) {
                    std::printf("startup_ms=%.1f\n", msSince(start));
                    std::fflush(stdout);
                    reported = true;
                    // One report is all we need; the program's frames are not our business.
                    XDamageDestroy(display, damage);
                    XSelectInput(display, root, NoEventMask);
                    XFlush(display);
                }
            }
        }
        const pid_t ended = wait4(child, &status, WNOHANG, &usage);
        if (ended == child)
            break;
        pollfd pfd{fd, POLLIN, 0};
        poll(&pfd, 1, 20);
    }
    if (!reported)
        std::printf("startup_ms=none\n");
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("peak_rss_kb=%ld status=%d\n", usage.ru_maxrss, code);
    XCloseDisplay(display);
    return code;
}
