// plovex-limit: how many frames per second this machine and its X server can reach at most
// with Plovex's frame, presented as Plovex presents it. Each frame is Plovex's own work,
// done by the engine's code (clear the field, move and draw the 64 sprites from the
// built-in sheets), drawn straight into the program's own shared-memory presenter and put
// to a 512 x 293 window cut to Plovex's ellipse; like Plovex, it is on the screen before
// the next frame is drawn. No toolkit and no event loop in between.
//
// Runs 8.8 s, like a Plovex run, on $DISPLAY. Prints "measuring ..." as the timed loop
// starts, then its report, with the time it spent drawing a frame beside the time a frame
// waited for the server; the report and the exit statuses are limitreport.h's.
#include "ellipse.h"
#include "fieldbitmap.h"
#include "layout.h"
#include "limitreport.h"
#include "runstate.h"
#include "spritefield.h"
#include "spritesheet.h"
#include "xshmconnection.h"
#include "xshmpresenter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kUsage = "usage: plovex-limit   (runs 8.8 s on $DISPLAY)\n";

bool xFailed = false;

int recordXError(Display *display, XErrorEvent *error)
{
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "plovex-limit: X error: %s\n", text);
    xFailed = true;
    return 0;
}

// Plovex's ellipse as the server's SHAPE takes it: the same pixels as Plovex's window.
std::vector<XRectangle> ellipseRectangles(int width, int height)
{
    std::vector<XRectangle> rectangles;
    for (const ShapeBand &band : ellipseBands(width, height))
        rectangles.push_back(
            {short(band.left), short(band.top), ushort(band.width), ushort(band.height)});
    return rectangles;
}

// Plovex's window as far as the server sees it: borderless, centred, cut to the ellipse.
// Made on a display connection of its own, as the toolkit's is for Plovex, while the puts
// go through the presenter's.
class LimitWindow
{
public:
    LimitWindow()
    {
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            throw std::runtime_error("cannot open the X display");
        XSetErrorHandler(recordXError);
        const int screen = DefaultScreen(m_display);
        XSetWindowAttributes attributes{};
        attributes.background_pixmap = None;
        attributes.event_mask = ExposureMask;
        const int x = firstShowOrigin(DisplayWidth(m_display, screen), kMainWindowWidth);
        const int y = firstShowOrigin(DisplayHeight(m_display, screen), kMainWindowHeight);
        m_window = XCreateWindow(m_display, RootWindow(m_display, screen), x, y, kMainWindowWidth,
                                 kMainWindowHeight, 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWBackPixmap | CWEventMask, &attributes);
        XStoreName(m_display, m_window, "plovex-limit");
        XSizeHints hints{};
        hints.flags = PPosition | PMinSize | PMaxSize;
        hints.min_width = hints.max_width = kMainWindowWidth;
        hints.min_height = hints.max_height = kMainWindowHeight;
        XSetWMNormalHints(m_display, m_window, &hints);
        // No decorations, like Plovex's frameless window: flags, functions, decorations.
        const long motif[5] = {2, 0, 0, 0, 0};
        const Atom motifHints = XInternAtom(m_display, "_MOTIF_WM_HINTS", False);
        XChangeProperty(m_display, m_window, motifHints, motifHints, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(motif), 5);
        std::vector<XRectangle> shape = ellipseRectangles(kMainWindowWidth, kMainWindowHeight);
        XShapeCombineRectangles(m_display, m_window, ShapeBounding, 0, 0, shape.data(),
                                int(shape.size()), ShapeSet, YXBanded);

        XMapWindow(m_display, m_window);
        const auto shownBy = Clock::now() + std::chrono::seconds(10);
        XEvent event;
        while (!XCheckTypedWindowEvent(m_display, m_window, Expose, &event)) {
            if (Clock::now() > shownBy)
                throw std::runtime_error("the window was not shown within 10 s");
            pollfd pfd{ConnectionNumber(m_display), POLLIN, 0};
            poll(&pfd, 1, 100);
        }
        // Later exposes need nothing: the next frame covers the window anyway.
        XSelectInput(m_display, m_window, NoEventMask);
        XSync(m_display, False);
    }
    ~LimitWindow()
    {
        XDestroyWindow(m_display, m_window);
        XCloseDisplay(m_display);
    }
    LimitWindow(const LimitWindow &) = delete;
    LimitWindow &operator=(const LimitWindow &) = delete;

    std::uint32_t id() const { return std::uint32_t(m_window); }
    // Whether the window is still there to take the frames: puts to a window that is gone
    // end at once, and would count as frames.
    bool stillThere()
    {
        XWindowAttributes attributes;
        return XGetWindowAttributes(m_display, m_window, &attributes) != 0 && !xFailed;
    }

private:
    Display *m_display = nullptr;
    Window m_window = 0;
};

// Plovex's run as it draws and presents it for 8.8 s: one image, each frame on the screen
// before the next is drawn.
LimitReport timedRun(XShmPresenter &presenter, LimitWindow &window)
{
    FieldBitmap field;
    field.useStore(presenter.pixels(), FieldBitmap::StoreContent::Undefined);
    field.setBrushColor(clBlack); // Plovex clears the field black during a run
    chooseClearMethod();          // the clear Plovex would take on this machine
    const SpriteSheets &sheets = builtInSheets();
    SeedFromClock();
    ScatterSprites();
    std::printf("%s the serial limit for 8.8 s\n", kLimitStarted.data());
    std::fflush(stdout);
    LimitReport report;
    Clock::duration drawing{};
    const std::clock_t cpu0 = std::clock();
    const auto start = Clock::now();
    const auto end = start + std::chrono::milliseconds(kFinishMs);
    auto now = start;
    for (; now < end; ++report.frames) {
        SpriteStep(field, sheets);
        drawing += Clock::now() - now;
        presenter.present(kMainWindowHeight);
        now = Clock::now();
    }
    if (!window.stillThere())
        throw std::runtime_error("the window went away during the measurement");
    const auto perFrame = [&](double us) {
        return std::round(us / double(report.frames) * 10) / 10;
    };
    report.waited = (long long)presenter.stats().waitedFrames;
    report.cpuUs = perFrame(double(std::clock() - cpu0) * 1e6 / CLOCKS_PER_SEC);
    report.drawUs = perFrame(std::chrono::duration<double, std::micro>(drawing).count());
    report.waitUs = perFrame(double(presenter.stats().waitedUs));
    report.ms =
        std::round(std::chrono::duration<double, std::milli>(now - start).count() * 10) / 10;
    return report;
}

LimitStatus measure()
{
    XShmConnection::Refusal refusal{};
    std::unique_ptr<XShmConnection> connection =
        XShmConnection::open(kFieldWidth, kFieldHeight, &refusal);
    if (!connection) {
        const std::string_view why = XShmConnection::describe(refusal);
        std::fprintf(stderr, "plovex-limit: %.*s\n", int(why.size()), why.data());
        return refusal == XShmConnection::Refusal::NoDisplay ? LimitStatus::Failed
                                                             : LimitStatus::Unavailable;
    }
    LimitWindow window;
    if (!connection->setWindow(window.id()))
        throw std::runtime_error("the presenter cannot reach the window");
    const std::unique_ptr<XShmPresenter> presenter = XShmPresenter::over(std::move(connection), [] {
        throw std::runtime_error("the connection to the X server broke");
    });
    std::printf("%s\n", timedRun(*presenter, window).format().c_str());
    return LimitStatus::Measured;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1) {
        const bool help = argc == 2 && std::strcmp(argv[1], "--help") == 0;
        std::fputs(kUsage.data(), help ? stdout : stderr);
        return int(help ? LimitStatus::Measured : LimitStatus::BadUse);
    }
    try {
        return int(measure());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "plovex-limit: %s\n", e.what());
        return int(LimitStatus::Failed);
    }
}
